// The ALARMS and READ widgets: what is checked when the user leaves a field,
// and the "Write ID" button, which reaches the command thread in its own way.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "model/program_paths.h"
#include "pages/alarms_page.h"
#include "pages/read_page.h"
#include "support/core_fixture.h"
#include "support/wait_until.h"
#include "ui/form_binder.h"
#include "ui/page_context.h"

namespace velk {
namespace {

class AlarmsReadWidgets : public CoreTest {
 protected:
  AlarmsReadWidgets() : binder_(core_.form) { applyDefaults(); }

  void show(PageFactory create) {
    PageContext context{core_, binder_, paths_, "page under test"};
    page_.reset(create(context));
    page_->show();
    settle();
  }
  void typeAndLeave(const char* name, const QString& text) {
    auto* edit = page_->findChild<QLineEdit*>(name);
    ASSERT_NE(edit, nullptr) << name;
    edit->selectAll();
    QTest::keyClicks(edit, text);
    Q_EMIT edit->editingFinished();
    settle();
  }

  FormBinder binder_;
  ProgramPaths paths_;
  std::unique_ptr<QWidget> page_;
};

TEST_F(AlarmsReadWidgets, FieldsAreCheckedWhenTheUserLeavesThem) {
  struct Case {
    PageFactory page;
    const char* field;
    const char* typed;
    const char* shown;
  };
  const Case cases[] = {
      {&createReadPage, "EditTag", "FV-1234567", "FV-12345"},
      {&createReadPage, "EditDescriptor", "Inlet valve north", "Inlet valve nort"},
      {&createReadPage, "EditPollAddress", "16", "0"},
      {&createReadPage, "SearchPollStop", "x", "15"},
      {&createAlarmsPage, "EditDeviationTime", "0", "10"},
      {&createAlarmsPage, "EditPressInputMin", "50", "4"},  // its label reads "%"
  };
  for (const Case& c : cases) {
    show(c.page);
    typeAndLeave(c.field, c.typed);
    EXPECT_EQ(core_.form.text(c.field), c.shown) << c.field;
  }
  // A pressure label of "bar" takes the other bounds.
  core_.form.setText("LabelPressMinUnit", "bar");
  typeAndLeave("EditPressInputMin", "50");
  EXPECT_EQ(core_.form.text("EditPressInputMin"), "50");
}

TEST_F(AlarmsReadWidgets, WriteIdRunsOnTheCommandThread) {
  core_.commands.start();
  show(&createReadPage);
  QSignalSpy errors(&core_.operations, &WindowOperations::errorReported);
  core_.form.setText("Edit183", "twelve");
  page_->findChild<QPushButton*>("Button59")->click();
  waitUntil([&] { return !errors.isEmpty(); }, 10000);
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors.at(0).at(0).toString().contains("device ID"));
  core_.commands.stop();
}

}  // namespace
}  // namespace velk
