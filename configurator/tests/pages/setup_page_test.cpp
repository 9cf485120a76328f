// The SETUP and APPEARANCE widgets: every field checked when the user leaves
// it, the stroke group following the actuator type, buttons that run their
// page operation in the background.
#include "pages/setup_page.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "model/program_paths.h"
#include "pages/appearance_page.h"
#include "pages/setup_operations.h"
#include "support/core_fixture.h"
#include "support/wait_until.h"
#include "ui/form_binder.h"
#include "ui/page_context.h"

namespace velk {
namespace {

class PageWidgets : public CoreTest {
 protected:
  PageWidgets() : binder_(core_.form) { applyDefaults(); }

  QWidget* show(PageFactory create) {
    PageContext context{core_, binder_, paths_, "page under test"};
    page_.reset(create(context));
    page_->show();
    settle();
    return page_.get();
  }
  template <typename Widget>
  Widget* find(const char* name) {
    auto* widget = page_->findChild<Widget*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  // What the user does: replaces the field's text by typing, then leaves it.
  void typeAndLeave(const char* name, const QString& text) {
    auto* edit = find<QLineEdit>(name);
    edit->selectAll();
    QTest::keyClicks(edit, text);
    if (text.isEmpty()) QTest::keyClick(edit, Qt::Key_Delete);
    Q_EMIT edit->editingFinished();
    settle();
  }

  FormBinder binder_;
  ProgramPaths paths_;
  std::unique_ptr<QWidget> page_;
};

TEST_F(PageWidgets, SetupFieldsAreCheckedWhenTheUserLeavesThem) {
  core_.form.setText("ComboBoxActuatorType", "Linear");  // the stroke takes input
  actuatorTypeChanged(core_.form);
  show(&createSetupPage);
  struct Case {
    const char* field;
    const char* typed;
    const char* shown;
  };
  const Case cases[] = {
      {"EditStroke", "158", "50"},         {"EditStroke", "5", "5"},
      {"EditCurrentRangeMin", "3.9", "4"}, {"EditCurrentRangeMax", "20", "20"},
      {"EditCurrentRangeMax", "", "20"},   {"EditTravelRangeMin", "91", "0"},
      {"EditTravelRangeMax", "9", "100"},  {"EditCutoffLow", "12.", "0"},
      {"EditCutoffLow", "-5", "-5"},       {"EditCutoffHigh", "--5", "100"},
      {"EditLimitedLow", "5-", "0"},       {"EditLimitedHigh", "1.2.3", "100"},
  };
  for (const Case& c : cases) {
    typeAndLeave(c.field, c.typed);
    EXPECT_EQ(core_.form.text(c.field), c.shown) << c.field << " " << c.typed;
    EXPECT_EQ(find<QLineEdit>(c.field)->text(), c.shown) << c.field << " " << c.typed;
  }

  // The stroke's bounds follow its unit.
  core_.form.setText("LabelStrokeUnit", "inch");
  settle();
  typeAndLeave("EditStroke", "6.2");
  EXPECT_EQ(core_.form.text("EditStroke"), "1.97");
  typeAndLeave("EditStroke", "0.197");
  EXPECT_EQ(core_.form.text("EditStroke"), "0.197");
}

TEST_F(PageWidgets, StrokeGroupFollowsTheActuatorTypeTheUserChooses) {
  show(&createSetupPage);
  auto* type = find<QComboBox>("ComboBoxActuatorType");
  auto* group = find<QGroupBox>("GroupBoxLinear");
  ASSERT_EQ(type->count(), 2);
  EXPECT_FALSE(group->isEnabled());

  type->setCurrentIndex(1);
  settle();
  EXPECT_EQ(core_.form.text("ComboBoxActuatorType"), "Linear");
  EXPECT_TRUE(group->isEnabled());
  type->setCurrentIndex(0);
  settle();
  EXPECT_FALSE(group->isEnabled());
}

TEST_F(PageWidgets, ReadButtonsRunTheirPageReadInTheBackground) {
  fake_->setReply(175, {0, 0, {1}});
  fake_->setReply(211, {0, 0, {2}});
  core_.commands.start();

  show(&createSetupPage);
  find<QPushButton>("ButtonSetupRead")->click();
  EXPECT_TRUE(waitUntil([&] { return core_.form.text("ComboBoxActuatorType") == "Linear"; }));

  show(&createAppearancePage);
  find<QPushButton>("ButtonApperanceRead")->click();
  EXPECT_TRUE(waitUntil([&] { return find<QComboBox>("ComboBoxLanguage")->currentText() == "Deutsch"; }));
  core_.commands.stop();
}

}  // namespace
}  // namespace velk
