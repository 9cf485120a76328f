// Connecting to the simulated positioner, burst monitoring and closing, with
// the command thread running as in the program.
#include "comm/connection.h"

#include <QTest>

#include "diagnostics/control_operations.h"
#include "registry/page_registry.h"
#include "support/simulator_fixture.h"

namespace velk {
namespace {

class ConnectionEndToEnd : public SimulatorFixture {
 protected:
  ConnectionEndToEnd() {
    applyStartupDefaults(form(), window());
    core().operations.UpdateControlStates();
    core().commands.start();
  }

  // What "Connect" does.
  void pressConnect() {
    if (!window().Connected.load()) core().writeLinkEnvironment();
    window().Connected.store(!window().Connected.load());
    window().WriteProtected.store(true);
    core().commands.postRequest(kRequestConnection);
  }

  static void waitFor(const std::function<bool()>& condition) {
    ASSERT_TRUE(QTest::qWaitFor(condition, 15000));
  }

  // Waits for the attempt to end, and for the control states it asked for.
  void waitForConnectionState(const char* state) {
    waitFor([&] { return form().text("StaticText1") == state; });
    waitForCommandThread();
  }

  void connect() {
    pressConnect();
    waitForConnectionState("CONNECTED");
  }

  double labelNumber(const char* name) { return form().text(name).section(' ', 0, 0).toDouble(); }
};

struct DeviceCase {
  const char* name;
  int pollingAddress;
  const char* searchFrom;
  std::function<void(sim::DeviceState&)> setUp;
  int deviceVersion;
  const char* protectedText;
  const char* serviceText;
  int setpointSourceItem;
  const char* temperatureUnit;
  const char* tempMin;  // ALARMS field, 0 C in the unit shown
};
void PrintTo(const DeviceCase& c, std::ostream* out) { *out << c.name; }

class ConnectTest : public ConnectionEndToEnd, public ::testing::WithParamInterface<DeviceCase> {};

TEST_P(ConnectTest, FindsTheDeviceAndShowsWhatItReports) {
  const DeviceCase& c = GetParam();
  simulator().update_state([&](sim::DeviceState& s) {
    s.identity.polling_address = static_cast<std::uint8_t>(c.pollingAddress);
    c.setUp(s);
  });
  window().DeviceVersion.store(c.deviceVersion);
  form().setText("SearchPollStart", c.searchFrom);
  connect();
  waitFor([&] { return form().text("StaticText2") == c.serviceText; });

  EXPECT_EQ(form().text("ButtonConnect"), "Disconnect");
  EXPECT_EQ(form().text("EditPollAddress"), QString::number(c.pollingAddress));
  EXPECT_EQ(form().text("LabelHartUnivCmdValue"), "5");
  EXPECT_EQ(form().text("LabelHartSpecCmdValue"), "1");
  EXPECT_EQ(form().text("LabelSWverValue"), "86");
  EXPECT_EQ(form().text("LabelHWverValue"), "1");
  EXPECT_EQ(form().text("Edit183"), QString::number(simulator().state().identity.device_id));
  EXPECT_EQ(form().text("LabelProtected"), c.protectedText);
  EXPECT_EQ(form().selectedIndex("RadioGroupSetPointSource"), c.setpointSourceItem);
  EXPECT_EQ(form().text(kStatusBar), "");

  EXPECT_TRUE(window().Connected.load());
  EXPECT_NE(window().InstrumentHandle.load(), 0);
  EXPECT_EQ(window().RequestPending.load(), 0);
  EXPECT_FALSE(core().live.BurstRequested.load());
  EXPECT_FALSE(simulator().state().control.burst_mode);
  EXPECT_FALSE(form().enabled("Comport1"));
  EXPECT_EQ(form().enabled("ButtonInOutService"), QString(c.protectedText).isEmpty());

  EXPECT_NEAR(labelNumber("LabelPosValue"), 50, 5);
  EXPECT_TRUE(form().text("LabelPosValue").endsWith(" %"));
  EXPECT_NEAR(form().text("EditSetPoint").toDouble(), 50, 0.01);
  EXPECT_EQ(form().text("ComboBoxPosition"), "%");
  EXPECT_EQ(form().text("ComboBoxTemp"), c.temperatureUnit);
  EXPECT_TRUE(form().text("LabelTempValue").endsWith(QString(" ") + c.temperatureUnit));
  EXPECT_EQ(form().text("LabelTempMinUnit"), c.temperatureUnit);
  EXPECT_EQ(form().text("EditTempMin"), c.tempMin);
  EXPECT_EQ(form().text("LabelPressValue") != "-", c.deviceVersion > 89);
}

INSTANTIATE_TEST_SUITE_P(Devices, ConnectTest,
                         ::testing::Values(DeviceCase{"AtAddressZero", 0, "0", [](sim::DeviceState&) {}, 86,
                                                      "", "IN SERVICE", 1, "C", "0"},
                                           DeviceCase{"AtAddressThreeProtectedAndBursting", 3, "3",
                                                      [](sim::DeviceState& s) {
                                                        s.service.write_protected = true;
                                                        s.service.out_of_service = true;
                                                        s.control.setpoint_source =
                                                            sim::setpoint_source::kHart;
                                                        s.control.hart_setpoint_percent = 50;
                                                        s.units.temperature = sim::unit::kFahrenheit;
                                                        s.control.burst_mode =
                                                            true;  // left on by an earlier session
                                                      },
                                                      100, "PROTECTED", "OUT OF SERVICE", 0, "F", "32"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct FailureCase {
  const char* name;
  std::function<void(Configurator&, sim::DeviceState&)> setUp;
  const char* softwareRevisionShown;  // the identity is shown before the check
  const char* firstLogLine;           // a port that will not open says why
};
void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }

class FailedConnectionTest : public ConnectionEndToEnd, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailedConnectionTest, ShowsTheFailureAndStartsTheLinkAfresh) {
  const FailureCase& c = GetParam();
  simulator().update_state([&](sim::DeviceState& s) { c.setUp(core(), s); });
  pressConnect();
  waitForConnectionState("DISCONNECTED");

  EXPECT_EQ(form().text(kStatusBar), kConnectionFailedText);
  EXPECT_EQ(form().text("LabelSWverValue"), c.softwareRevisionShown);
  EXPECT_EQ(form().lines(kCommunicationLog).value(0), c.firstLogLine);
  EXPECT_EQ(form().lines(kCommunicationLog).last(), "Disconnected");
  EXPECT_EQ(form().text("ButtonConnect"), "Connect");
  EXPECT_FALSE(window().Connected.load());
  EXPECT_EQ(window().InstrumentHandle.load(), 0);
  EXPECT_TRUE(form().enabled("Comport1"));
}

INSTANTIATE_TEST_SUITE_P(Attempts, FailedConnectionTest,
                         ::testing::Values(FailureCase{"AnotherDeviceType",
                                                       [](Configurator&, sim::DeviceState& s) {
                                                         s.identity.device_type = 98;
                                                         s.identity.software_revision = 42;
                                                       },
                                                       "42",
                                                       "Polling address 0: manufacturer 62, device type 98 "
                                                       "answered, not a Q5/Q50 positioner"},
                                           FailureCase{
                                               "MissingPort",
                                               [](Configurator& core, sim::DeviceState&) {
                                                 core.window.setPortDevice(1, "/nonexistent/ttyVelkTest");
                                               },
                                               "-", "/nonexistent/ttyVelkTest: No such file or directory"},
                                           FailureCase{"NotATerminal",
                                                       [](Configurator& core, sim::DeviceState&) {
                                                         core.window.setPortDevice(1, "/dev/null");
                                                       },
                                                       "-", "/dev/null: Inappropriate ioctl for device"},
                                           // The library's own text, not the system's "Connection refused".
                                           FailureCase{"NoHartIpServer",
                                                       [](Configurator& core, sim::DeviceState&) {
                                                         core.window.setPortDevice(
                                                             1, "hart-ip+tcp://127.0.0.1:1");
                                                       },
                                                       "-",
                                                       "hart-ip+tcp://127.0.0.1:1: The HART-IP server at "
                                                       "127.0.0.1:1 refused the connection."},
                                           FailureCase{"NoAddressToSearch",
                                                       [](Configurator& core, sim::DeviceState&) {
                                                         core.form.setText("SearchPollStart", "1");
                                                         core.form.setText("SearchPollStop", "0");
                                                       },
                                                       "-", "Disconnected"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConnectionEndToEnd, DisconnectsAndConnectsAgain) {
  connect();
  pressConnect();
  waitForConnectionState("DISCONNECTED");
  EXPECT_EQ(form().text(kStatusBar), "");  // a deliberate disconnection is no failure
  EXPECT_EQ(form().lines(kCommunicationLog), QStringList{"Disconnected"});
  EXPECT_EQ(form().text("LabelProtected"), "");
  EXPECT_TRUE(form().enabled("Comport1"));

  connect();  // the reloaded library opens the port again
  EXPECT_NE(window().InstrumentHandle.load(), 0);
}

struct BurstCase {
  const char* name;
  const char* checkBox;  // ticked on DIAG 2; none: the four variables
  int burstCommand;
  const char* labelUpdated;
  const char* curveUnchecked;  // the live curve this message cannot draw
};
void PrintTo(const BurstCase& c, std::ostream* out) { *out << c.name; }

class BurstTest : public ConnectionEndToEnd, public ::testing::WithParamInterface<BurstCase> {};

TEST_P(BurstTest, SamplesReachTheRingAndTheLabelsUntilStopped) {
  const BurstCase& c = GetParam();
  connect();
  for (const char* box : {"CheckBoxShowGraphHARTSetpoint", "CheckBoxShowGraphHARTPosition"})
    form().setChecked(box, true);
  if (*c.checkBox) form().setChecked(c.checkBox, true);
  form().setText(c.labelUpdated, "-");

  core().live.BurstRequested.store(true);
  waitFor([&] { return core().live.ring.snapshot().GraphIndex >= 2; });
  EXPECT_TRUE(core().live.BurstActive.load());
  EXPECT_EQ(simulator().state().control.burst_command, c.burstCommand);
  EXPECT_NE(form().text(c.labelUpdated), "-");
  EXPECT_NEAR(core().live.ring.snapshot().samples[1].position, 50, 5);
  for (const char* box : {"CheckBoxShowGraphHARTSetpoint", "CheckBoxShowGraphHARTPosition"})
    EXPECT_EQ(form().checked(box), QString(box) != c.curveUnchecked) << box;

  core().live.BurstRequested.store(false);
  waitFor([&] { return !core().live.BurstActive.load(); });
  EXPECT_FALSE(simulator().state().control.burst_mode);
  EXPECT_FALSE(core().live.BurstError.load());
}

INSTANTIATE_TEST_SUITE_P(Commands, BurstTest,
                         ::testing::Values(BurstCase{"Position", "CheckBoxBurstPos", 1, "LabelPosValue",
                                                     "CheckBoxShowGraphHARTSetpoint"},
                                           BurstCase{"LoopCurrent", "CheckBoxBurstSetpoint", 2,
                                                     "LabelExtraDataValue", "CheckBoxShowGraphHARTPosition"},
                                           BurstCase{"FourVariables", "", 3, "LabelTempValue", ""}),
                         [](const auto& info) { return std::string(info.param.name); });

// A device that did not hear "burst off" goes on bursting: the program asks
// again once the line carries its requests.
TEST_F(ConnectionEndToEnd, ABurstOffTheDeviceMissedIsSentAgainLater) {
  connect();
  core().live.BurstRequested.store(true);
  waitFor([&] { return core().live.ring.snapshot().GraphIndex >= 1; });
  sim::FaultPlan lost;
  lost.rate[static_cast<std::size_t>(sim::FaultKind::NoReply)] = 1;
  simulator().set_faults(lost);
  core().live.BurstRequested.store(false);
  waitFor([&] { return core().live.BurstError.load(); });  // the first round is over
  EXPECT_TRUE(simulator().state().control.burst_mode);
  simulator().set_faults({});
  waitFor([&] { return !simulator().state().control.burst_mode; });
  waitFor([&] { return !core().live.BurstActive.load(); });
  EXPECT_TRUE(form().lines(kCommunicationLog).isEmpty());
}

TEST_F(ConnectionEndToEnd, ClosingWhileBurstingSwitchesBurstOffInTheDevice) {
  connect();
  core().live.BurstRequested.store(true);
  waitFor([&] { return core().live.ring.snapshot().GraphIndex >= 1; });
  ASSERT_TRUE(simulator().state().control.burst_mode);
  core().commands.stop();
  EXPECT_FALSE(simulator().state().control.burst_mode);
}

TEST_F(ConnectionEndToEnd, TogglesTheServiceStateAndWritesTheRampSetpoint) {
  simulator().update_state(
      [](sim::DeviceState& s) { s.control.setpoint_source = sim::setpoint_source::kHart; });
  connect();
  core().commands.postRequest(kRequestServiceToggle);
  waitFor([&] { return form().text("StaticText2") == "OUT OF SERVICE"; });
  EXPECT_TRUE(simulator().state().service.out_of_service);
  EXPECT_EQ(form().text("ButtonInOutService"), "In Service");

  core().commands.postSetpoint(42.5f);
  waitFor([&] { return form().text("EditSetPoint") == "42.50"; });
  EXPECT_FLOAT_EQ(simulator().state().control.hart_setpoint_percent, 42.5f);
  EXPECT_TRUE(form().lines(kCommunicationLog).isEmpty());
}

// What a technician does on the CONTROL page: take the setpoint over HART,
// send 100 %, start the graph and watch the position follow it, stop.
TEST_F(ConnectionEndToEnd, LiveGraphFollowsTheValveToANewSetpoint) {
  connect();
  form().setSelectedIndex(kSetpointSourceGroup, 0);  // "Hart"
  RadioGroupSetPointSourceClick(job(), Sender::Sequence);
  sendFixedSetpoint(job(), 100);
  ASSERT_FLOAT_EQ(simulator().state().control.hart_setpoint_percent, 100.0f);

  startGraph(core().live, core().operations);
  waitFor([&] {
    const GraphRingSnapshot ring = core().live.ring.snapshot();
    const GraphSample& newest = ring.at(ring.GraphIndex - 1);
    return ring.GraphIndex >= 2 && newest.setpoint == 100.0f && newest.position > 90.0f;
  });
  EXPECT_TRUE(core().live.GraphRunning.load());

  stopGraph(core().live, form(), core().operations);
  waitFor([&] { return !simulator().state().control.burst_mode; });
  const int samples = core().live.ring.snapshot().GraphIndex;
  QTest::qWait(300);
  EXPECT_EQ(core().live.ring.snapshot().GraphIndex, samples) << "no samples after the stop";
  EXPECT_TRUE(form().lines(kCommunicationLog).isEmpty());
}

}  // namespace
}  // namespace velk
