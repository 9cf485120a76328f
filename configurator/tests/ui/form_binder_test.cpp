#include "ui/form_binder.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <thread>

#include "model/form_state.h"
#include "ui/radio_group.h"

namespace velk {
namespace {

class FormBinderTest : public ::testing::Test {
 protected:
  // Lets queued change notifications reach the widgets.
  static void deliver() { QCoreApplication::processEvents(); }

  template <typename Write>
  void writeFromWorker(Write write) {
    std::thread worker(write);
    worker.join();
    deliver();
  }

  FormState form_;
  FormBinder binder_{form_};
  QWidget page_;
};

TEST_F(FormBinderTest, AWorkersWriteReachesTheWidget) {
  auto* edit = new QLineEdit("50", &page_);
  auto* label = new QLabel(&page_);
  binder_.bind(edit, "EditStroke");
  binder_.bind(label, "StaticText1");
  writeFromWorker([this] {
    form_.setText("EditStroke", "1.97");
    form_.setText("StaticText1", "CONNECTED");
    form_.setTextColor("StaticText1", Qt::green);
    form_.setEnabled("EditStroke", false);
  });
  EXPECT_EQ(edit->text(), "1.97");
  EXPECT_FALSE(edit->isEnabled());
  EXPECT_EQ(label->text(), "CONNECTED");
  EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::green));
}

// A label shown red once (a failure) shows its next text in its own colour.
TEST_F(FormBinderTest, AnInvalidColourGivesTheWidgetItsOwnColourBack) {
  auto* label = new QLabel(&page_);
  const QColor own = label->palette().color(QPalette::WindowText);
  binder_.bind(label, "LabelCalTravelStatus");
  form_.setTextColor("LabelCalTravelStatus", Qt::red);
  deliver();
  ASSERT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::red));
  form_.setTextColor("LabelCalTravelStatus", QColor());
  deliver();
  EXPECT_EQ(label->palette().color(QPalette::WindowText), own);
}

TEST_F(FormBinderTest, AUsersEditReachesTheStoreAtOnce) {
  auto* edit = new QLineEdit(&page_);
  auto* check = new QCheckBox("Position", &page_);
  binder_.bind(edit, "EditCutoffLow");
  binder_.bind(check, "CheckBoxBurstPos");
  edit->setFocus();
  QTest::keyClicks(edit, "12,5");
  check->click();
  EXPECT_EQ(form_.text("EditCutoffLow"), "12,5");
  EXPECT_TRUE(form_.checked("CheckBoxBurstPos"));
}

TEST_F(FormBinderTest, StoreHoldsWhatItKnowsAndLearnsTheRestFromTheWidget) {
  form_.setText("EditTag", "VALVE-7");  // written before the page existed
  form_.setEnabled("ButtonSetupRead", false);
  auto* tag = new QLineEdit("default", &page_);
  auto* read = new QPushButton("Read", &page_);
  binder_.bind(tag, "EditTag");
  binder_.bind(read, "ButtonSetupRead");
  EXPECT_EQ(tag->text(), "VALVE-7");
  EXPECT_FALSE(read->isEnabled());
  EXPECT_EQ(form_.text("ButtonSetupRead"), "Read");  // the caption came from the widget
}

TEST_F(FormBinderTest, ComboBoxItemsSelectionAndEditText) {
  auto* combo = new QComboBox(&page_);
  combo->setEditable(true);
  binder_.bind(combo, "ComboBoxControlLow");
  form_.setItems("ComboBoxControlLow", {"Free", "Cutoff", "Limited"});
  form_.setSelectedIndex("ComboBoxControlLow", 1);
  deliver();
  EXPECT_EQ(combo->count(), 3);
  EXPECT_EQ(combo->currentText(), "Cutoff");

  form_.setText("ComboBoxControlLow", "Limited");  // a text that is an item selects it
  deliver();
  EXPECT_EQ(combo->currentIndex(), 2);
  form_.setText("ComboBoxControlLow", "Half");  // one that is not stays as text
  deliver();
  EXPECT_EQ(combo->currentIndex(), -1);
  EXPECT_EQ(combo->currentText(), "Half");

  combo->setCurrentIndex(0);  // as the user picks from the list
  EXPECT_EQ(form_.selectedIndex("ComboBoxControlLow"), 0);
  EXPECT_EQ(form_.text("ComboBoxControlLow"), "Free");
}

TEST_F(FormBinderTest, RadioGroupFollowsTheStoreAndReportsTheUser) {
  auto* group = new RadioGroup("Setpoint source", &page_);
  binder_.bind(group, "RadioGroupSetPointSource");
  QSignalSpy clicked(group, &RadioGroup::itemClicked);
  form_.setItems("RadioGroupSetPointSource", {"Hart", "Auto (4-20 mA)", "Manual Q5"});
  form_.setSelectedIndex("RadioGroupSetPointSource", 1);
  deliver();
  EXPECT_EQ(group->selectedIndex(), 1);
  EXPECT_EQ(clicked.count(), 0);  // the program's change is not the user's click
  group->findChildren<QAbstractButton*>().at(0)->click();
  EXPECT_EQ(form_.selectedIndex("RadioGroupSetPointSource"), 0);
  EXPECT_EQ(form_.text("RadioGroupSetPointSource"), "Hart");
}

TEST_F(FormBinderTest, MemoAppendsLinesAndTakesAReplacement) {
  auto* memo = new QPlainTextEdit(&page_);
  memo->setReadOnly(true);
  binder_.bind(memo, "Memo1");
  writeFromWorker([this] {
    form_.appendLine("Memo1", "Read Identifier : No answer");
    form_.appendLine("Memo1", "Disconnected");
  });
  EXPECT_EQ(memo->toPlainText(), "Read Identifier : No answer\nDisconnected");
  form_.appendLine("Memo1", "third");
  deliver();
  EXPECT_EQ(memo->blockCount(), 3);
  form_.setLines("Memo1", {"fresh"});
  deliver();
  EXPECT_EQ(memo->toPlainText(), "fresh");
}

TEST_F(FormBinderTest, GridCellsBothWays) {
  auto* grid = new QTableWidget(3, 2, &page_);
  binder_.bind(grid, "StringGridCurve");
  form_.setCell("StringGridCurve", 2, 1, "100");
  deliver();
  ASSERT_NE(grid->item(2, 1), nullptr);
  EXPECT_EQ(grid->item(2, 1)->text(), "100");
  grid->item(2, 1)->setText("75");  // as the user edits the cell
  EXPECT_EQ(form_.rows("StringGridCurve").at(2).at(1), "75");
}

TEST_F(FormBinderTest, MenuItemsFollowEnabled) {
  QAction action("Comport &1");
  binder_.bind(&action, "Comport1");
  form_.setEnabled("Comport1", false);
  deliver();
  EXPECT_FALSE(action.isEnabled());
}

TEST_F(FormBinderTest, ABurstOfWritesIsDeliveredOnceWithTheLastValue) {
  auto* label = new QLabel(&page_);
  binder_.bind(label, "LabelPosValue");
  deliver();
  QSignalSpy changes(&form_, &FormState::changed);
  writeFromWorker([this] {
    for (int i = 0; i <= 1000; ++i) form_.setText("LabelPosValue", QString::number(i));
  });
  EXPECT_EQ(label->text(), "1000");
  EXPECT_EQ(changes.count(), 1);
}

TEST_F(FormBinderTest, DestroyedWidgetsAreLeftAlone) {
  auto* edit = new QLineEdit(&page_);
  binder_.bind(edit, "EditStroke");
  delete edit;
  form_.setText("EditStroke", "10");
  deliver();  // must not touch the deleted widget
  EXPECT_EQ(form_.text("EditStroke"), "10");
}

}  // namespace
}  // namespace velk
