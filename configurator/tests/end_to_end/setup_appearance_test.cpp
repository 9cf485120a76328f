// The SETUP and APPEARANCE pages against the simulated positioner: what a
// page sends, the device keeps, and the page reads it back field by field.
#include "pages/appearance_operations.h"
#include "pages/setup_operations.h"
#include "shell/startup_defaults.h"
#include "support/simulator_fixture.h"

namespace velk {
namespace {

using Texts = std::vector<std::pair<QString, QString>>;

class PagesAgainstTheSimulator : public SimulatorFixture {
 protected:
  void SetUp() override {
    applyStartupDefaults(form(), window());
    // The tests type numbers with a point, whatever the machine's locale.
    window().setDecimalSeparator(".");
    applySetupDefaults(form(), window());
    attachInstrument();
  }

  void type(const Texts& texts) {
    for (const auto& [control, text] : texts) form().setText(control, text);
  }
  void expectShown(const Texts& texts) {
    for (const auto& [control, text] : texts)
      EXPECT_EQ(form().text(control), text) << control.toStdString();
  }
  void expectNoFailedCommand() { EXPECT_EQ(form().lines(kCommunicationLog), QStringList()); }
};

TEST_F(PagesAgainstTheSimulator, SetupReadsBackEverythingItSent) {
  simulator().update_state([](sim::DeviceState& s) { s.service.out_of_service = true; });
  const Texts edited = {
      {"ComboBoxActuatorType", "Linear"},   {"EditStroke", "120"},
      {"LabelStrokeUnit", "mm"},            {"ComboBoxActuatorSize", "Texas-size"},
      {"ComboBoxActuatorFunction", "Double act"}, {"EditCurrentRangeMin", "4.5"},
      {"EditCurrentRangeMax", "18"},        {"RadioGroupDirection", "Reverse"},
      {"EditTravelRangeMin", "2.5"},        {"EditTravelRangeMax", "97.5"},
      {"ComboBoxControlLow", "Limited"},    {"ComboBoxControlHigh", "Free"},
      {"EditCutoffLow", "-1.5"},            {"EditCutoffHigh", "101"},
      {"EditLimitedLow", "3"},              {"EditLimitedHigh", "96.5"},
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
      {"ComboBoxLanguage", "Deutsch"}, {"ComboBoxDefault", "Set & Dev"},
      {"ComboBoxSetpoint", "mA"},      {"ComboBoxPosition", "inch"},
      {"ComboBoxPressure", "psi"},     {"ComboBoxTemp", "F"},
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
      {"EditStroke", "1.97"},        {"LabelStrokeUnit", "inch"},
      {"EditTempMin", "32"},         {"EditTempMax", "212"},
      {"EditTempHysteresis", "9"},   {"EditCalTemp", "77"},
      {"LabelTempMinUnit", "F"},     {"LabelTempMaxUnit", "F"},
      {"LabelTempHysteresisUnit", "F"}, {"LabelCalTempUnit", "F"},
  };
  expectShown(following);

  applyAppearanceDefaults(form(), window());
  readAppearance(job(), Sender::Click);
  expectNoFailedCommand();
  expectShown(chosen);
  expectShown(following);
  EXPECT_EQ(window().PositionUnitIndex.load(), 3);
}

}  // namespace
}  // namespace velk
