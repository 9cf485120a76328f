// The CONTROL page driven through its widgets against the simulated
// positioner: the technician takes the setpoint over HART, sends fixed values,
// steps and typed values, and reads the process values back.
#include <QAbstractButton>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

#include "diagnostics/control_operations.h"
#include "diagnostics/control_page.h"
#include "model/program_paths.h"
#include "support/simulator_fixture.h"
#include "support/wait_until.h"
#include "ui/form_binder.h"
#include "ui/page_context.h"
#include "ui/radio_group.h"

namespace velk {
namespace {

class ControlPageEndToEnd : public SimulatorFixture {
 protected:
  ControlPageEndToEnd() {
    applyControlPageDefaults(form(), window());
    page_ = std::make_unique<ControlPage>(context_);
  }
  ~ControlPageEndToEnd() override { page_.reset(); }

  void SetUp() override {
    attachInstrument();
    core().operations.UpdateControlStates();
    core().commands.start();
    settle();
  }

  void click(const char* name) {
    auto* button = page_->findChild<QAbstractButton*>(name);
    ASSERT_NE(button, nullptr) << name;
    ASSERT_TRUE(button->isEnabled()) << name;
    button->click();
  }

  bool deviceSetpointIs(float percent) {
    return waitUntil([&] { return simulator().state().control.hart_setpoint_percent == percent; });
  }

  QTemporaryDir home_;
  FormBinder binder_{form()};
  ProgramPaths paths_{home_.filePath("settings.ini"), home_.filePath("data")};
  PageContext context_{core(), binder_, paths_, "TabSheet1"};
  std::unique_ptr<ControlPage> page_;
};

TEST_F(ControlPageEndToEnd, TechnicianTakesTheSetpointOverHartAndDrivesIt) {
  EXPECT_FALSE(page_->findChild<QPushButton*>("Button8")->isEnabled());  // not over HART yet

  auto* sources = page_->findChild<RadioGroup*>(kSetpointSourceGroup);
  sources->findChildren<QRadioButton*>().at(0)->click();  // "Hart"
  ASSERT_TRUE(waitUntil([&] { return simulator().state().control.setpoint_source == 2; }));
  ASSERT_TRUE(waitUntil([&] { return page_->findChild<QPushButton*>("Button8")->isEnabled(); }));

  click("Button8");  // "Send 100 %"
  EXPECT_TRUE(deviceSetpointIs(100));
  click("Button5");  // "Step -25%", twice: each press counts
  click("Button5");
  EXPECT_TRUE(deviceSetpointIs(50));
  // The field shows what was sent once the step's job is done.
  EXPECT_TRUE(waitUntil([&] { return page_->findChild<QLineEdit*>(kSetpointEdit)->text() == "50.00"; }));

  form().setText(kSetpointEdit, "33");
  click("ButtonControlSend");
  EXPECT_TRUE(deviceSetpointIs(33));

  click("ButtonControlRead");
  ASSERT_TRUE(waitUntil([&] { return form().text("LabelDevValue") != "-"; }));  // written last
  EXPECT_TRUE(form().text("LabelPosValue").endsWith(" %"));
  EXPECT_EQ(window().SetPointSource.load(), 2);
  EXPECT_EQ(form().selectedIndex(kSetpointSourceGroup), 0);
  // No selector shows the setpoint: it is the loop current.
  EXPECT_EQ(form().text("LabelSetPointUnit"), "mA");

  // The buttons speak percent whatever unit the field shows.
  click("Button7");  // "Send 50 %"
  EXPECT_TRUE(deviceSetpointIs(50));
  EXPECT_TRUE(waitUntil([&] { return form().text(kSetpointEdit) == "12.00"; }));
  click("Button1");  // "Step +25%"
  EXPECT_TRUE(deviceSetpointIs(75));
  EXPECT_TRUE(waitUntil([&] { return form().text(kSetpointEdit) == "16.00"; }));
  EXPECT_TRUE(form().lines(kCommunicationLog).isEmpty());
}

TEST_F(ControlPageEndToEnd, RampRunsWhileItsButtonIsDown) {
  EXPECT_FALSE(page_->findChild<QPushButton*>("SpeedButton1")->isEnabled());  // not over HART
  window().SetPointSource.store(2);
  core().operations.UpdateControlStates();
  settle();
  click("SpeedButton1");
  ASSERT_TRUE(waitUntil([&] { return page_->rampTimer()->isActive(); }));
  click("SpeedButton1");
  ASSERT_TRUE(waitUntil([&] { return !page_->rampTimer()->isActive(); }));
}

}  // namespace
}  // namespace velk
