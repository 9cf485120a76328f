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

}  // namespace
}  // namespace velk
