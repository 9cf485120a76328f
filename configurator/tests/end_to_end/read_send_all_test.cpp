// "Read All", the configuration file and "Send All" against the simulated
// positioner: a configuration read from one device, saved, loaded into a
// program started afresh and sent to a device put back to its factory
// settings, leaves that device configured as the first.
#include <QTemporaryDir>
#include <QTest>

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
  ASSERT_TRUE(LoadConfiguration(core()).ok);
  window().Connected.store(true);
  run(kRequestSendAll);

  const sim::DeviceState sent = simulator().state();
  EXPECT_EQ(sent.setup, original.setup);
  EXPECT_EQ(sent.characteristic, original.characteristic);
  EXPECT_EQ(sent.appearance, original.appearance);
  EXPECT_EQ(sent.units, original.units);
  EXPECT_EQ(sent.identity, identity);  // the READ page is never sent
  EXPECT_EQ(form().lines(kCommunicationLog), QStringList());
}

}  // namespace
}  // namespace velk
