// The ALARMS and READ pages against the simulated positioner: every alarm
// sent and read back, the identity and statistics, and the writes that
// change how the device is addressed.
#include <QTest>
#include <atomic>

#include "pages/alarms_operations.h"
#include "pages/read_operations.h"
#include "registry/page_registry.h"
#include "support/simulator_fixture.h"

namespace velk {
namespace {

class AlarmsReadEndToEnd : public SimulatorFixture {
 protected:
  AlarmsReadEndToEnd() { applyStartupDefaults(form(), window(), "."); }

  static void waitFor(const std::function<bool()>& condition) {
    ASSERT_TRUE(QTest::qWaitFor(condition, 20000));
  }
  // "Connect" with the command thread running, until the connection stands.
  void connect() {
    window().Connected.store(!window().Connected.load());
    window().WriteProtected.store(true);
    core().commands.postRequest(kRequestConnection);
    const char* state = window().Connected.load() ? "CONNECTED" : "DISCONNECTED";
    waitFor([&] { return form().text("StaticText1") == state; });
    waitForCommandThread();
  }
  // A page button's job, run by the command thread; returns once it ran.
  void runJob(const Job& job) {
    std::atomic<bool> done = false;
    core().commands.post("test job", [&](const JobContext& context) {
      job(context);
      done = true;
    });
    waitFor([&] { return done.load(); });
  }
  void expectTexts(const std::vector<std::pair<const char*, const char*>>& texts) {
    for (const auto& [name, text] : texts) EXPECT_EQ(form().text(name).toStdString(), text) << name;
  }
};

// What the technician types into every group, and what each group holds.
const std::vector<std::pair<const char*, const char*>> kTypedAlarms = {
    {"EditLimit1Min", "5"},
    {"EditLimit1Max", "95"},
    {"EditLimit1Hysteresis", "1.5"},
    {"ComboBoxLimit1ValveAction", "Goto open"},
    {"EditLimit2Min", "10"},
    {"EditLimit2Max", "90"},
    {"EditLimit2Hysteresis", "3"},
    {"ComboBoxLimit2ValveAction", "Manual"},
    {"EditDeviationDistance", "12.5"},
    {"EditDeviationTime", "0.5"},
    {"ComboBoxDeviationValveAction", "Goto close"},
    {"EditTempMin", "-10"},
    {"EditTempMax", "85.25"},
    {"EditTempHysteresis", "3"},
    {"ComboBoxTempValveAction", "Goto close"},
};
const std::vector<std::pair<const char*, const char*>> kTypedPressureAlarms = {
    {"EditPotPressMaxDiff", "4.5"},       {"ComboBoxPotPressValveAction", "Goto open"},
    {"EditPressInputMin", "4"},           {"EditPressInputMax", "20"},
    {"EditPressInputHysteresis", "0.32"}, {"ComboBoxPressInputValveAction", "Manual"},
};
const char* const kSwitchedOn[] = {"CheckBoxAlarmLimit1",    "CheckBoxLimit1AlarmOut", "CheckBoxAlarmLimit2",
                                   "CheckBoxAlarmDeviation", "CheckBoxAlarmTemp",      "CheckBoxTempAlarmOut",
                                   "CheckBoxAlarmPot",       "CheckBoxAlarmPressInput"};
const char* const kSwitchedOff[] = {"CheckBoxLimit2AlarmOut", "CheckBoxDeviationAlarmOut",
                                    "CheckBoxPotAlarmOut", "CheckBoxPressInputAlarmOut"};

TEST_F(AlarmsReadEndToEnd, EveryAlarmSentIsReadBackAndThePressureAlarmsOnlyFromVersion90) {
  for (const int version : {86, 101}) {
    SCOPED_TRACE(version);
    const bool pressureAlarms = version >= 90;
    simulator().update_state([&](sim::DeviceState& s) {
      s.identity.software_revision = static_cast<std::uint8_t>(version);
      s.alarms = {};
    });
    window().DeviceVersion.store(version);
    applyStartupDefaults(form(), window(), ".");
    attachInstrument();
    for (const auto& [name, text] : kTypedAlarms) form().setText(name, text);
    for (const auto& [name, text] : kTypedPressureAlarms) form().setText(name, text);
    for (const char* box : kSwitchedOn) form().setChecked(box, true);
    for (const char* box : kSwitchedOff) form().setChecked(box, false);

    sendAlarms(job(), Sender::Click);
    EXPECT_TRUE(form().lines(kCommunicationLog).isEmpty())
        << form().lines(kCommunicationLog).join("\n").toStdString();
    const sim::AlarmState device = simulator().state().alarms;
    EXPECT_EQ(device[sim::AlarmKind::Limit1], (sim::AlarmSetting{true, {5, 95, 1.5f}, true, 1}));
    EXPECT_EQ(device[sim::AlarmKind::Deviation], (sim::AlarmSetting{true, {12.5f, 0.5f, 0}, false, 2}));
    EXPECT_EQ(device[sim::AlarmKind::Temperature], (sim::AlarmSetting{true, {-10, 85.25f, 3}, true, 2}));
    const sim::AlarmState untouched;
    EXPECT_EQ(device[sim::AlarmKind::PotPressure] == untouched[sim::AlarmKind::PotPressure], !pressureAlarms);
    EXPECT_EQ(device[sim::AlarmKind::Pressure] == untouched[sim::AlarmKind::Pressure], !pressureAlarms);

    applyStartupDefaults(form(), window(), ".");
    readAlarms(job(), Sender::Click);
    expectTexts(kTypedAlarms);
    for (const char* box : {"CheckBoxAlarmLimit1", "CheckBoxTempAlarmOut"})
      EXPECT_TRUE(form().checked(box)) << box;
    EXPECT_FALSE(form().checked("CheckBoxDeviationAlarmOut"));
    // Below 9.0 the page keeps what it had for the groups the device lacks.
    EXPECT_EQ(form().text("EditPotPressMaxDiff"), pressureAlarms ? "4.5" : "3");
    EXPECT_EQ(form().text("EditPressInputHysteresis"), pressureAlarms ? "0.32" : "2");
    EXPECT_EQ(form().checked("CheckBoxAlarmPressInput"), pressureAlarms);
    EXPECT_EQ(form().text("LabelPressMinUnit"), "%");
    EXPECT_TRUE(form().lines(kCommunicationLog).isEmpty());
  }
}

TEST_F(AlarmsReadEndToEnd, TemperaturesGoOutAsShownInFahrenheitAndAnUnknownValveActionLeavesTheCombo) {
  simulator().update_state([](sim::DeviceState& s) { s.units.temperature = sim::unit::kFahrenheit; });
  attachInstrument();
  readAlarms(job(), Sender::Click);  // the labels take the device's unit first
  expectTexts({{"LabelTempMinUnit", "F"},
               {"EditTempMin", "32"},
               {"EditTempMax", "212"},
               {"EditTempHysteresis", "9"}});

  form().setText("EditTempMin", "50");
  form().setText("EditTempMax", "150.5");
  form().setText("EditTempHysteresis", "9");
  sendAlarms(job(), Sender::Click);
  const auto thresholds = simulator().state().alarms[sim::AlarmKind::Temperature].thresholds;
  EXPECT_NEAR(thresholds[0], 10.0, 1e-4);  // the device keeps Celsius
  EXPECT_NEAR(thresholds[1], 65.8333, 1e-3);
  EXPECT_NEAR(thresholds[2], 5.0, 1e-4);

  simulator().update_state([](sim::DeviceState& s) {
    s.alarms[sim::AlarmKind::Limit1].valve_action = 5;
    s.alarms[sim::AlarmKind::Limit2].valve_action = 2;
  });
  form().setText("ComboBoxLimit1ValveAction", "Goto open");
  readAlarms(job(), Sender::Sequence);
  expectTexts({{"ComboBoxLimit1ValveAction", "Goto open"},
               {"ComboBoxLimit2ValveAction", "Goto close"},
               {"EditTempMin", "50"},
               {"EditTempMax", "150.5"},
               {"EditTempHysteresis", "9"}});
}

TEST_F(AlarmsReadEndToEnd, ReadDataFillsEveryLabel) {
  struct Case {
    std::array<std::uint8_t, 3> date;
    double runTime;
    const char* dateShown;
    const char* runTimeShown;
  };
  const Case cases[] = {
      {{24, 5, 99}, 90061.5, "1999-5-24", "1 Days 1 Hour 1 Min 1 Sec "},
      {{3, 12, 7}, 1e8, "207-12-3", "1157 Days 9 Hour 46 Min 40 Sec "},
  };
  simulator().update_state([&](sim::DeviceState& s) { s.identity.device_id = 0xABCDEF; });
  attachInstrument();
  for (const Case& c : cases) {
    simulator().update_state([&](sim::DeviceState& s) {
      s.service.out_of_service = true;  // the statistics stand still
      s.identity.software_revision = 101;
      s.identity.hardware_revision = 3;
      s.identity.tag = sim::packed_ascii<6>("TV-101");
      s.identity.descriptor = sim::packed_ascii<12>("Feed pump");
      s.identity.date = c.date;
      s.records.message = sim::packed_ascii<24>("Line 4 control valve");
      s.statistics.run_time_s = c.runTime;
      s.statistics.cycles = 1234;
      s.statistics.accumulated_travel_percent = 56789.5f;
      s.statistics.mean_deviation_percent = 1.23456f;
      s.statistics.min_temperature_c = -12.5f;
      s.statistics.max_temperature_c = 61.7f;
    });
    readDeviceData(job(), Sender::Click);
    expectTexts({{"LabelHartUnivCmdValue", "5"},
                 {"LabelHartSpecCmdValue", "1"},
                 {"LabelSWverValue", "101"},
                 {"LabelHWverValue", "3"},
                 {"Edit183", "11259375"},
                 {"EditTag", "TV-101"},
                 {"EditDescriptor", "FEED PUMP"},
                 {"LabelDateValue", c.dateShown},
                 {"LabelHartMessageValue", "LINE 4 CONTROL VALVE"},
                 {"LabelAssemblyNumberValue", "402117"},
                 {"LabelCapabilityValue", "-"},
                 {"LabelNumberOfCyclesValue", "1234"},
                 {"LabelAccumulatedTravelValue", "5.68e+04"},
                 {"LabelMeanDeviationValue", "1.2346 %"},
                 {"LabelRunTimeValue", c.runTimeShown},
                 {"LabelStatMinTempValue", "-12.5 C"},
                 {"LabelStatMaxTempValue", "61.7 C"},
                 {kStatusBar, ""}});
  }
  EXPECT_TRUE(form().lines(kCommunicationLog).isEmpty());
}

TEST_F(AlarmsReadEndToEnd, TagAndDescriptorAreWrittenAndTheDatesStaysTheDevices) {
  simulator().update_state([](sim::DeviceState& s) { s.identity.date = {24, 5, 99}; });
  attachInstrument();
  form().setText("EditTag", "PV-7");
  form().setText("EditDescriptor", "Boiler feed");
  writeTagDescriptor(job(), Sender::Click);
  EXPECT_EQ(simulator().state().identity.date, (std::array<std::uint8_t, 3>{24, 5, 99}));

  applyStartupDefaults(form(), window(), ".");
  readDeviceData(job(), Sender::Click);
  expectTexts({{"EditTag", "PV-7"}, {"EditDescriptor", "BOILER FEED"}, {"LabelDateValue", "1999-5-24"}});
}

TEST_F(AlarmsReadEndToEnd, ResetStartsTheStatisticsAgain) {
  simulator().update_state([](sim::DeviceState& s) {
    s.statistics.cycles = 12;
    s.statistics.run_time_s = 5000;
  });
  attachInstrument();
  resetStatistics(job(), Sender::Click);
  EXPECT_EQ(simulator().state().statistics.cycles, 0.0f);
  EXPECT_LT(simulator().state().statistics.run_time_s, 100);
  expectTexts({{"LabelRunTimeValue", "0 s"},
               {"LabelNumberOfCyclesValue", "Number of cycles : 0"},
               {"LabelAccumulatedTravelValue", "Accumulation travel : 0 %"},
               {"LabelMeanDeviationValue", "Mean deviation : 0 %"}});
}

// The connection goes on by the long address; the next search finds the
// device at its new polling address.
TEST_F(AlarmsReadEndToEnd, APollingAddressWrittenIsWhereTheNextSearchFindsTheDevice) {
  simulator().update_state([](sim::DeviceState& s) { s.identity.polling_address = 3; });
  form().setText("SearchPollStart", "3");
  core().commands.start();
  connect();
  form().setText("EditPollAddress", "0");
  runJob([](const JobContext& job) { writePollAddress(job, Sender::Click); });
  EXPECT_EQ(simulator().state().identity.polling_address, 0);
  runJob([](const JobContext& job) { readDeviceData(job, Sender::Click); });
  EXPECT_TRUE(form().lines(kCommunicationLog).isEmpty());

  connect();  // off
  form().setText("SearchPollStart", "0");
  form().setText("EditPollAddress", "-");
  connect();  // on again
  EXPECT_EQ(form().text("EditPollAddress"), "0");
}

TEST_F(AlarmsReadEndToEnd, WriteIdConnectsAfreshAndShowsTheNewId) {
  core().commands.start();
  connect();
  form().setText("Edit183", "4660");
  form().setText("LabelSWverValue", "?");  // the new connection's identity shows here again
  runJob([this](const JobContext& job) { writeDeviceId(job, Sender::Click, core().commands); });
  waitFor(
      [&] { return form().text("StaticText1") == "CONNECTED" && form().text("LabelSWverValue") == "86"; });
  EXPECT_EQ(simulator().state().identity.device_id, 4660u);

  form().setText("Edit183", "-");
  runJob([](const JobContext& job) { readDeviceData(job, Sender::Click); });
  EXPECT_EQ(form().text("Edit183"), "4660");
  EXPECT_TRUE(form().lines(kCommunicationLog).isEmpty())
      << form().lines(kCommunicationLog).join("\n").toStdString();
}

}  // namespace
}  // namespace velk
