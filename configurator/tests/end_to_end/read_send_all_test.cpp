// "Read All", the configuration file and "Send All" against the simulated
// positioner: a configuration read from one device, saved, loaded into a
// program started afresh and sent to a device put back to its factory
// settings, leaves that device configured as the first.
#include <QTemporaryDir>
#include <QTest>
#include <array>

#include "registry/configuration.h"
#include "registry/page_registry.h"
#include "support/simulator_fixture.h"

namespace velk {
namespace {

class ReadSendAllTest : public SimulatorFixture {
 protected:
  void SetUp() override {
    applyStartupDefaults(form(), window(), ".");
    attachInstrument();
    window().OutOfService.store(true);
    core().operations.UpdateControlStates();
    core().commands.start();
  }

  // Posts the request as the left column's button does and waits for the
  // sequence to start and end.
  void run(int request) {
    core().commands.postRequest(request);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window().SequenceRunning.load(); }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window().SequenceRunning.load(); }, 60000));
    settle();
  }

  static sim::DeviceState configured() {
    sim::DeviceState state = sim::default_device_state();
    state.service.out_of_service = true;
    state.setup.actuator_type = 1;
    state.setup.stroke_mm = 80;
    state.setup.actuator_size = 2;
    state.setup.direction = 1;
    state.setup.travel_upper_percent = 95.0f;
    state.setup.cutoff_percent = {2.5f, 97.0f};
    state.characteristic.transfer_function = sim::transfer_function::kCustom;
    state.characteristic.custom_point_count = 5;
    for (std::size_t i = 0; i < 5; ++i)
      state.characteristic.custom_points[i] = {25.0f * static_cast<float>(i), i * i * 6.25f};
    state.appearance.language = 2;
    state.appearance.default_display = 1;
    state.units.supply_pressure = sim::unit::kPsi;
    state.calibration.open_time_s = 3.5f;
    state.calibration.close_time_s = 4.25f;
    state.calibration.dead_band_percent = 1.25f;
    state.calibration.pid_p = 7.5f;
    state.calibration.pid_i = 2.0f;
    state.calibration.pid_d = 0.125f;
    state.alarms[sim::AlarmKind::Deviation] = {true, {5.0f, 20.0f, 0.0f}, false, 3};
    state.alarms[sim::AlarmKind::Limit1] = {true, {10.0f, 90.0f, 3.0f}, true, 2};
    state.alarms[sim::AlarmKind::Limit2] = {false, {5.0f, 95.0f, 1.5f}, true, 1};
    state.alarms[sim::AlarmKind::Temperature] = {true, {-10.0f, 60.0f, 4.0f}, false, 1};
    state.control.setpoint_source = sim::setpoint_source::kManual;
    return state;
  }
};

TEST_F(ReadSendAllTest, AConfigurationReadSavedLoadedAndSentRestoresAFreshDevice) {
  const sim::DeviceState original = configured();
  simulator().update_state([&](sim::DeviceState& s) { s = original; });

  run(kRequestReadAll);
  EXPECT_EQ(form().text("EditStroke"), "80");
  EXPECT_EQ(form().text("ComboBoxCharacter"), "Custom curve");
  EXPECT_EQ(form().text("ComboBoxPressure"), "psi");
  EXPECT_EQ(form().text("EditDeadBand"), "1.25");
  EXPECT_EQ(form().text(kCommunicatingText), "");
  EXPECT_EQ(form().lines(kCommunicationLog), QStringList());

  QTemporaryDir dir;
  window().setConfigFileName(dir.filePath("valve.txt"));
  ASSERT_TRUE(SaveConfiguration(core()).ok);

  // A program started afresh, and a device as it left the factory.
  applyStartupDefaults(form(), window(), ".");
  window().setConfigFileName(dir.filePath("valve.txt"));
  simulator().update_state([](sim::DeviceState& s) {
    s = sim::default_device_state();
    s.service.out_of_service = true;
  });
  const sim::Identity identity = simulator().state().identity;
  // Opened while connected: a changed setpoint source goes to the device at once.
  window().Connected.store(true);
  ASSERT_TRUE(LoadConfiguration(core()).ok);
  run(kRequestSendAll);

  const sim::DeviceState sent = simulator().state();
  EXPECT_EQ(sent.setup, original.setup);
  EXPECT_EQ(sent.characteristic, original.characteristic);
  EXPECT_EQ(sent.appearance, original.appearance);
  EXPECT_EQ(sent.units, original.units);
  EXPECT_EQ(sent.control.setpoint_source, original.control.setpoint_source);
  EXPECT_EQ(sent.alarms.settings, original.alarms.settings);
  const auto tuning = [](const sim::CalibrationState& c) {
    return std::array{c.open_time_s, c.close_time_s, c.dead_band_percent, c.pid_p, c.pid_i, c.pid_d};
  };
  EXPECT_EQ(tuning(sent.calibration), tuning(original.calibration));
  EXPECT_EQ(sent.identity, identity);  // the READ page is never sent
  EXPECT_EQ(form().lines(kCommunicationLog), QStringList());
}

// A device with a value of its own in every page Read All reads.
TEST_F(ReadSendAllTest, ReadAllShowsWhatTheDeviceHoldsOnEveryPage) {
  sim::DeviceState device = configured();
  device.identity.software_revision = 91;  // pressure alarms and minimum pulses
  device.setup.current_range_min_ma = 4.5f;
  device.setup.current_range_max_ma = 19.5f;
  device.setup.travel_control = {2, 0};
  device.setup.limited_percent = {3.5f, 100.0f};
  device.units.temperature = sim::unit::kFahrenheit;
  device.control.setpoint_source = sim::setpoint_source::kManual;
  device.calibration.open_time_s = 1.5f;
  device.calibration.close_time_s = 2.5f;
  device.calibration.dead_band_percent = 0.75f;
  device.calibration.pid_p = 6.5f;
  device.calibration.pid_i = 1.25f;
  device.calibration.pid_d = 0.125f;
  device.calibration.min_pulses = {14, 15, 11, 9};
  device.alarms[sim::AlarmKind::Deviation] = {true, {7.5f, 12.0f, 0.0f}, false, 2};
  device.alarms[sim::AlarmKind::Limit1].enabled = false;
  device.alarms[sim::AlarmKind::Limit2] = {true, {5.0f, 90.0f, 1.5f}, true, 1};
  device.alarms[sim::AlarmKind::PotPressure] = {true, {4.25f, 0.0f, 0.0f}, false, 3};
  device.identity.tag = sim::packed_ascii<6>("FV-101");
  device.records.message = sim::packed_ascii<24>("CHECKED 2021");
  device.records.final_assembly_number = 123456;
  simulator().update_state([&](sim::DeviceState& s) { s = device; });
  window().DeviceVersion.store(91);  // as connecting to it finds
  run(kRequestReadAll);
  EXPECT_EQ(form().lines(kCommunicationLog), QStringList());
  expectShown({
      // APPEARANCE
      {"ComboBoxLanguage", "Deutsch"},
      {"ComboBoxDefault", "Set & Pos"},
      {"ComboBoxPressure", "psi"},
      {"ComboBoxTemp", "F"},
      // CONTROL
      {"RadioGroupSetPointSource", "Manual Q5"},
      // SETUP
      {"ComboBoxActuatorType", "Linear"},
      {"EditStroke", "80"},
      {"ComboBoxActuatorSize", "Large"},
      {"RadioGroupDirection", "Reverse"},
      {"EditCurrentRangeMin", "4.5"},
      {"EditCurrentRangeMax", "19.5"},
      {"EditTravelRangeMax", "95"},
      {"ComboBoxControlLow", "Limited"},
      {"ComboBoxControlHigh", "Free"},
      {"EditCutoffLow", "2.5"},
      {"EditLimitedLow", "3.5"},
      // CHARACTERISTICS
      {"ComboBoxCharacter", "Custom curve"},
      {"ComboBoxNumberOfPoints", "5"},
      // TUNING
      {"EditOpenTime", "1.5"},
      {"EditCloseTime", "2.5"},
      {"EditDeadBand", "0.75"},
      {"EditPID_P", "6.5"},
      {"EditPID_I", "1.25"},
      {"EditPID_D", "0.125"},
      {"EditMinpulseUp", "14"},
      {"EditMinpulseDn2", "9"},
      // ALARMS
      {"EditDeviationDistance", "7.5"},
      {"EditDeviationTime", "12"},
      {"ComboBoxDeviationValveAction", "Goto close"},
      {"EditLimit2Min", "5"},
      {"EditLimit2Max", "90"},
      {"EditLimit2Hysteresis", "1.5"},
      {"ComboBoxLimit2ValveAction", "Goto open"},
      {"EditPotPressMaxDiff", "4.25"},
      // READ
      {"EditTag", "FV-101"},
      {"LabelHartMessageValue", "CHECKED 2021"},
      {"LabelAssemblyNumberValue", "123456"},
  });
  for (const char* box : {"CheckBoxAlarmDeviation", "CheckBoxAlarmLimit2", "CheckBoxLimit2AlarmOut"})
    EXPECT_TRUE(form().checked(box)) << box;
  for (const char* box : {"CheckBoxDeviationAlarmOut", "CheckBoxAlarmLimit1"})
    EXPECT_FALSE(form().checked(box)) << box;
}

// A device of other firmware answers the stroke with no data and the current
// range with one float of two: those fields keep what they showed, the log
// names both commands, and the rest of the read goes on.
TEST_F(ReadSendAllTest, ReadAllLeavesTheFieldsOfShortRepliesAsTheyWere) {
  simulator().update_state([&](sim::DeviceState& s) { s = configured(); });
  sim::FaultPlan shortReplies;
  shortReplies.short_replies = {{179, 0}, {183, 4}};
  simulator().set_faults(shortReplies);
  type({{"EditStroke", "63"}, {"EditCurrentRangeMin", "4.2"}, {"EditCurrentRangeMax", "19.8"}});

  run(kRequestReadAll);
  expectShown({{"EditStroke", "63"},
               {"EditCurrentRangeMin", "4.2"},
               {"EditCurrentRangeMax", "19.8"},
               {"ComboBoxActuatorType", "Linear"},
               {"ComboBoxCharacter", "Custom curve"}});
  EXPECT_EQ(form().lines(kCommunicationLog),
            (QStringList{"Write Max Valve rotation : reply too short (0 of 1 bytes)",
                         "Write High or Low end : reply too short (4 of 8 bytes)"}));
}

}  // namespace
}  // namespace velk
