// The SETUP and APPEARANCE pages against the simulated positioner: what a
// page sends, the device keeps, and the page reads it back field by field.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "pages/appearance_operations.h"
#include "pages/setup_operations.h"
#include "registry/page_registry.h"
#include "shell/main_window.h"
#include "support/simulator_fixture.h"

namespace velk {
namespace {

class PagesAgainstTheSimulator : public SimulatorFixture {
 protected:
  void SetUp() override {
    applyStartupDefaults(form(), window());
    // The tests type numbers with a point, whatever the machine's locale.
    window().setDecimalSeparator(".");
    applySetupDefaults(form(), window());
    attachInstrument();
  }
};

TEST_F(PagesAgainstTheSimulator, SetupReadsBackEverythingItSent) {
  simulator().update_state([](sim::DeviceState& s) { s.service.out_of_service = true; });
  const Texts edited = {
      {"ComboBoxActuatorType", "Linear"},
      {"EditStroke", "120"},
      {"LabelStrokeUnit", "mm"},
      {"ComboBoxActuatorSize", "Texas-size"},
      {"ComboBoxActuatorFunction", "Double act"},
      {"EditCurrentRangeMin", "4.5"},
      {"EditCurrentRangeMax", "18"},
      {"RadioGroupDirection", "Reverse"},
      {"EditTravelRangeMin", "2.5"},
      {"EditTravelRangeMax", "97.5"},
      {"ComboBoxControlLow", "Limited"},
      {"ComboBoxControlHigh", "Free"},
      {"EditCutoffLow", "-1.5"},
      {"EditCutoffHigh", "101"},
      {"EditLimitedLow", "3"},
      {"EditLimitedHigh", "96.5"},
  };
  type(edited);
  sendSetup(job(), Sender::Click);
  expectNoFailedCommand();

  const sim::SetupSettings device = simulator().state().setup;
  EXPECT_EQ(device.actuator_type, 1);
  EXPECT_EQ(device.stroke_mm, 120);
  EXPECT_EQ(device.actuator_size, 3);
  EXPECT_EQ(device.travel_control[0], 2);
  EXPECT_FLOAT_EQ(device.travel_lower_percent, 2.5f);

  applySetupDefaults(form(), window());
  readSetup(job(), Sender::Click);
  expectNoFailedCommand();
  expectShown(edited);
  EXPECT_TRUE(form().enabled("GroupBoxLinear"));
}

TEST_F(PagesAgainstTheSimulator, SetupStrokeInInches) {
  simulator().update_state([](sim::DeviceState& s) {
    s.service.out_of_service = true;
    s.units.position = sim::unit::kInch;
    s.setup.stroke_mm = 50;
  });
  readSetup(job(), Sender::Sequence);
  expectShown({{"EditStroke", "1.97"}, {"LabelStrokeUnit", "inch"}, {"ComboBoxPosition", "inch"}});
  EXPECT_EQ(window().PositionUnitIndex.load(), 3);

  // A typed stroke goes in whole millimetres.
  form().setText("EditStroke", "3.5");
  sendSetup(job(), Sender::Sequence);
  EXPECT_EQ(simulator().state().setup.stroke_mm, 89);  // 88.9 mm

  form().setText("EditStroke", "1");
  readSetup(job(), Sender::Sequence);
  expectShown({{"EditStroke", "3.5"}, {"LabelStrokeUnit", "inch"}});
  expectNoFailedCommand();
}

TEST_F(PagesAgainstTheSimulator, AppearanceReadsBackEverythingItSent) {
  const Texts chosen = {
      {"ComboBoxLanguage", "Deutsch"}, {"ComboBoxDefault", "Set & Dev"}, {"ComboBoxSetpoint", "mA"},
      {"ComboBoxPosition", "inch"},    {"ComboBoxPressure", "psi"},      {"ComboBoxTemp", "F"},
  };
  type(chosen);
  sendAppearance(job(), Sender::Click);
  expectNoFailedCommand();

  const sim::DeviceState device = simulator().state();
  EXPECT_EQ(device.appearance.language, 2);
  EXPECT_EQ(device.appearance.default_display, 2);
  EXPECT_EQ(device.units.position, sim::unit::kInch);
  EXPECT_EQ(device.units.setpoint, sim::unit::kMilliampere);
  EXPECT_EQ(device.units.supply_pressure, sim::unit::kPsi);
  EXPECT_EQ(device.units.temperature, sim::unit::kFahrenheit);

  // The stroke and the ALARMS and CALIBRATE temperatures follow the units sent.
  const Texts following = {
      {"EditStroke", "1.97"},    {"LabelStrokeUnit", "inch"}, {"EditTempMin", "32"},
      {"EditTempMax", "212"},    {"EditTempHysteresis", "9"}, {"EditCalTemp", "77"},
      {"LabelTempMinUnit", "F"}, {"LabelTempMaxUnit", "F"},   {"LabelTempHysteresisUnit", "F"},
      {"LabelCalTempUnit", "F"},
  };
  expectShown(following);

  applyAppearanceDefaults(form(), window());
  readAppearance(job(), Sender::Click);
  expectNoFailedCommand();
  expectShown(chosen);
  expectShown(following);
  EXPECT_EQ(window().PositionUnitIndex.load(), 3);
}

// What a technician does: connect, choose and type on the pages, send, and
// read back, with the window's buttons and the command thread as in the program.
class PagesInTheWindow : public SimulatorFixture {
 protected:
  template <typename Widget>
  Widget* find(TForm1& window, const char* name) {
    auto* widget = window.findChild<Widget*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  static bool waitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 15000); }
  // A page operation started by a click has ended when "Communicating..." is gone.
  bool waitForPageOperation() {
    return waitFor([&] { return form().text(kCommunicatingText).isEmpty(); });
  }
};

TEST_F(PagesInTheWindow, TechnicianEditsSendsAndReadsBackBothPages) {
  simulator().update_state([](sim::DeviceState& s) { s.service.out_of_service = true; });
  QTemporaryDir dir;
  TForm1 form1(core(), {dir.filePath("settings.ini"), dir.filePath("data")});
  window().setPortDevice(1, QString::fromStdString(simulator().device_path()));
  window().setDecimalSeparator(".");
  form1.show();
  find<QPushButton>(form1, "ButtonConnect")->click();
  ASSERT_TRUE(waitFor([&] { return form().text("StaticText1") == "CONNECTED"; }));
  auto* setupSend = find<QPushButton>(form1, "ButtonSetupSend");
  ASSERT_TRUE(waitFor([&] { return setupSend->isEnabled(); }));

  form1.pageControl()->setCurrentIndex(2);
  find<QComboBox>(form1, "ComboBoxActuatorType")->setCurrentIndex(1);  // Linear
  auto* stroke = find<QLineEdit>(form1, "EditStroke");
  ASSERT_TRUE(waitFor([&] { return stroke->isEnabled(); }));
  stroke->selectAll();
  QTest::keyClicks(stroke, "120");
  Q_EMIT stroke->editingFinished();
  auto* cutoff = find<QLineEdit>(form1, "EditCutoffLow");
  cutoff->selectAll();
  QTest::keyClicks(cutoff, "12.");  // rejected on leaving: the default goes in
  Q_EMIT cutoff->editingFinished();
  ASSERT_TRUE(waitFor([&] { return cutoff->text() == "0"; }));

  setupSend->click();
  ASSERT_TRUE(waitFor([&] { return simulator().state().setup.stroke_mm == 120; }));
  ASSERT_TRUE(waitForPageOperation());
  EXPECT_EQ(simulator().state().setup.actuator_type, 1);
  EXPECT_FLOAT_EQ(simulator().state().setup.cutoff_percent[0], 0.0f);

  form1.pageControl()->setCurrentIndex(4);
  find<QComboBox>(form1, "ComboBoxPosition")->setCurrentIndex(3);  // inch
  find<QPushButton>(form1, "ButtonApperanceSend")->click();
  ASSERT_TRUE(waitFor([&] { return simulator().state().units.position == sim::unit::kInch; }));
  ASSERT_TRUE(waitForPageOperation());
  ASSERT_TRUE(waitFor([&] { return stroke->text() == "4.72"; }));  // 120 mm

  stroke->selectAll();
  QTest::keyClicks(stroke, "1");
  find<QPushButton>(form1, "ButtonSetupRead")->click();
  ASSERT_TRUE(waitFor([&] { return stroke->text() == "4.72"; }));
  EXPECT_EQ(find<QLabel>(form1, "LabelStrokeUnit")->text(), "inch");
  EXPECT_TRUE(waitForPageOperation());
  EXPECT_EQ(form().lines(kCommunicationLog), QStringList());
}

}  // namespace
}  // namespace velk
