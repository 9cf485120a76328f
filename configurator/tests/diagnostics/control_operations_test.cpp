// The CONTROL page's operations on a scripted link: what reaches the device,
// what the fields show afterwards, and the graph files.
#include "diagnostics/control_operations.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <bit>
#include <cstring>
#include <map>
#include <set>

#include "model/live_data.h"
#include "support/core_fixture.h"
#include "support/reply_bytes.h"

namespace velk {
namespace {

using Reply = FakeHartLink::Reply;

float requestFloat(const FakeHartLink::DataField& field) {
  std::uint32_t bits = 0;
  for (int i = 0; i < 4; ++i) bits = bits << 8 | field[static_cast<std::size_t>(i)];
  return std::bit_cast<float>(bits);
}

constexpr std::uint8_t kPercent = 57, kMillimetre = 49, kCelsius = 32, kBar = 7;

class ControlOperations : public CoreTest {
 protected:
  ControlOperations() {
    applyDefaults();
    core_.window.Connected.store(true);
    // Every request is answered; the setpoint written is remembered.
    fake_->setResponder([this](int command, const FakeHartLink::DataField& request, int) -> Reply {
      if (command == 142) written_.push_back(requestFloat(request));
      if (command == 140) sourceWritten_.push_back(request[0]);
      if (refused_.count(command)) return {15, 16 * 256, {}};
      const auto scripted = replies_.find(command);
      return {0, 0, scripted == replies_.end() ? Bytes{} : scripted->second};
    });
  }

  std::map<int, Bytes> replies_;
  std::set<int> refused_;
  std::vector<float> written_;
  std::vector<int> sourceWritten_;
};

TEST_F(ControlOperations, SetpointCommandsSendOnlyWhileTheSetpointComesOverHart) {
  struct Action {
    const char* what;
    std::function<void(const JobContext&)> run;
  };
  const Action actions[] = {
      {"Send", [](const JobContext& job) { ButtonControlSendClick(job, Sender::Click); }},
      {"Send 50 %", [](const JobContext& job) { sendFixedSetpoint(job, 50); }},
      {"Step +25%", [](const JobContext& job) { stepSetpoint(job, SetpointStep::Up); }},
      {"Step -25%", [](const JobContext& job) { stepSetpoint(job, SetpointStep::Down); }},
  };
  for (int source : {0, 1, 2}) {
    for (const Action& action : actions) {
      core_.window.SetPointSource.store(source);
      core_.live.setCurrentSetpoint(50);
      form().setText(kSetpointEdit, "40");
      written_.clear();
      action.run(job());
      EXPECT_EQ(written_.size(), source == 2 ? 1u : 0u) << action.what << ", source " << source;
    }
  }
}

// After a page read the field may show the loop current: "Send 50 %" then
// sent (50 - 4) * 6.25 = 287.5. The device takes percent; the buttons and
// steps speak percent; the field shows every value in its own unit.
TEST_F(ControlOperations, FixedValuesStepsAndTypedValuesSendPercentInEveryUnit) {
  struct Case {
    int unitIndex;
    const char* half;          // 50 % in the unit
    const char* threeQuarter;  // 75 %, after "Step +25%"
  };
  const Case cases[] = {
      {0, "50.00", "75.00"}, {1, "12.00", "16.00"}, {2, "35.00", "52.50"},
      {3, "3.50", "5.25"},   {5, "45.00", "67.50"},
  };
  core_.window.SetPointSource.store(2);
  form().setText("EditStroke", "70");
  form().setText("LabelStrokeUnit", "mm");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.unitIndex);
    core_.live.SetPointUnitIndex.store(c.unitIndex);
    written_.clear();
    sendFixedSetpoint(job(), 50);
    EXPECT_EQ(form().text(kSetpointEdit), c.half);
    stepSetpoint(job(), SetpointStep::Up);
    EXPECT_EQ(form().text(kSetpointEdit), c.threeQuarter);
    form().setText(kSetpointEdit, c.half);
    ButtonControlSendClick(job(), Sender::Click);
    EXPECT_EQ(written_, (std::vector<float>{50, 75, 50}));
    EXPECT_EQ(core_.live.SetPointUnitIndex.load(), c.unitIndex);
  }
  // A refused write is still the page's setpoint.
  core_.live.SetPointUnitIndex.store(1);
  refused_ = {142};
  form().setText(kSetpointEdit, "20");
  ButtonControlSendClick(job(), Sender::Click);
  EXPECT_FLOAT_EQ(core_.live.CurrentSetpoint(), 100);
  EXPECT_EQ(form().text(kSetpointEdit), "20.00");

  // A length is no share of the travel while the stroke is unknown.
  refused_.clear();
  written_.clear();
  core_.live.SetPointUnitIndex.store(2);
  form().setText("EditStroke", "");
  QSignalSpy errors(&core_.operations, &WindowOperations::errorReported);
  sendFixedSetpoint(job(), 50);
  EXPECT_TRUE(written_.empty());
  EXPECT_EQ(errors.count(), 1);
}

TEST_F(ControlOperations, ATextThatIsNoNumberIsNotSent) {
  core_.window.SetPointSource.store(2);
  form().setText(kSetpointEdit, "");
  QSignalSpy errors(&core_.operations, &WindowOperations::errorReported);
  ButtonControlSendClick(job(), Sender::Click);
  EXPECT_TRUE(written_.empty());
  EXPECT_EQ(errors.count(), 1);
}

TEST_F(ControlOperations, StepsLeaveTheFieldAloneBeyondTheEnds) {
  struct Case {
    SetpointStep step;
    float current;
    const char* field;
    float sent;
  };
  const Case cases[] = {{SetpointStep::Up, 80, "62", 62},
                        {SetpointStep::Up, 60.7f, "10", 85},
                        {SetpointStep::Down, 20, "33", 33},
                        {SetpointStep::Down, 25, "33", 0}};
  core_.window.SetPointSource.store(2);
  for (const Case& c : cases) {
    core_.live.setCurrentSetpoint(c.current);
    form().setText(kSetpointEdit, c.field);
    written_.clear();
    stepSetpoint(job(), c.step);
    ASSERT_EQ(written_.size(), 1u);
    EXPECT_FLOAT_EQ(written_[0], c.sent) << c.current;
  }
}

TEST_F(ControlOperations, PageReadShowsTheSourceTheValuesAndTheDeviationInThePositionUnit) {
  struct Case {
    const char* what;
    int sourceCode;
    int setpointSelector;  // which of ComboBox4..6 shows "Setpoint"; -1 none
    const char* stroke;    // EditStroke, in mm
    std::array<Variable, 4> variables;
    int radioItem;
    const char* position;
    const char* setpoint;
    const char* unit;
    const char* deviation;
  };
  const Case cases[] = {
      {"no selector: the loop current",
       2,
       -1,
       "50",
       {{{kPercent, 47}, {kPercent, 99}, {kCelsius, 22}, {kBar, 5.5f}}},
       0,
       "47.00 %",
       "12.00",
       "mA",
       "3.00 %"},
      {"third variable in millimetres of travel",
       0,
       1,
       "50",
       {{{kMillimetre, 18}, {kPercent, 99}, {kPercent, 40}, {kBar, 5.5f}}},
       1,
       "18.00 mm",
       "40.00",
       "% ",
       "2.00 mm"},
      {"no stroke: no deviation",
       1,
       0,
       "",
       {{{kMillimetre, 18}, {kPercent, 40}, {kCelsius, 22}, {kBar, 5.5f}}},
       2,
       "18.00 mm",
       "40.00",
       "% ",
       "-"},
  };
  for (const Case& c : cases) {
    replies_[141] = {static_cast<std::uint8_t>(c.sourceCode)};
    replies_[3] = dynamicVariables(12, c.variables);
    form().setText("EditStroke", c.stroke);
    form().setText("LabelStrokeUnit", "mm");
    for (int i = 0; i < 3; ++i)
      form().setSelectedIndex(QString("ComboBox%1").arg(4 + i), i == c.setpointSelector ? 1 : 0);
    ButtonControlReadClick(job(), Sender::Click);

    EXPECT_EQ(core_.window.SetPointSource.load(), c.sourceCode) << c.what;
    EXPECT_EQ(form().selectedIndex(kSetpointSourceGroup), c.radioItem) << c.what;
    EXPECT_EQ(form().enabled(kSetpointEdit), c.sourceCode == 2) << c.what;
    EXPECT_EQ(form().text("LabelPosValue"), c.position) << c.what;
    EXPECT_EQ(form().text(kSetpointEdit), c.setpoint) << c.what;
    EXPECT_EQ(form().text("LabelSetPointUnit"), QString::fromUtf8(c.unit)) << c.what;
    EXPECT_EQ(form().text("LabelDevValue"), c.deviation) << c.what;
    EXPECT_EQ(form().text(kStatusBar), "") << c.what;
  }
}

TEST_F(ControlOperations, SourceClickWritesTheChosenCodeAndKeepsItWhenRefused) {
  const struct {
    int item;
    int code;
    bool refused;
  } cases[] = {{0, 2, false}, {2, 1, true}, {1, 0, false}};
  for (const auto& c : cases) {
    form().setSelectedIndex(kSetpointSourceGroup, c.item);
    refused_ = c.refused ? std::set<int>{140} : std::set<int>{};
    sourceWritten_.clear();
    RadioGroupSetPointSourceClick(job(), Sender::Click);
    ASSERT_FALSE(sourceWritten_.empty());  // a refused write is tried twice
    EXPECT_EQ(sourceWritten_.back(), c.code);
    EXPECT_EQ(core_.window.SetPointSource.load(), c.code);
    EXPECT_EQ(form().enabled("Button7"), c.code == 2);
  }

  // While the program sets the group itself its click sends nothing.
  core_.live.SetPointSourceUpdating.store(true);
  form().setSelectedIndex(kSetpointSourceGroup, 0);
  sourceWritten_.clear();
  RadioGroupSetPointSourceClick(job(), Sender::Sequence);
  EXPECT_TRUE(sourceWritten_.empty());
}

// The ramp steps 2 % of travel a tick and shows each value in the field's
// unit; it moves nothing under a calibration.
TEST_F(ControlOperations, TheRampStepsInPercentAndShowsTheFieldsUnit) {
  core_.window.SetPointSource.store(2);
  core_.live.SetPointUnitIndex.store(1);  // mA
  form().setText(kSetpointEdit, "12.00");
  core_.commands.start();
  rampTick(form(), core_.live, core_.window, core_.commands);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form().text(kSetpointEdit) == "12.32"; }));
  EXPECT_EQ(written_, std::vector<float>{52});
  core_.commands.stop();

  core_.window.CalibrationRunning.store(true);
  core_.window.RequestPending.store(0);
  rampTick(form(), core_.live, core_.window, core_.commands);
  EXPECT_EQ(core_.window.RequestPending.load(), 0);
}

TEST_F(ControlOperations, RampRunsBetweenTheEndsAndPostsOnlyOverHart) {
  core_.window.SetPointSource.store(2);
  form().setText(kSetpointEdit, "99");
  // The command thread writes each value back into the field.
  const float expected[] = {100, 98, 96};
  for (float value : expected) {
    core_.window.RequestPending.store(0);
    rampTick(form(), core_.live, core_.window, core_.commands);
    ASSERT_EQ(core_.window.RequestPending.load(), 1);
    EXPECT_EQ(core_.window.RequestCode.load(), kRequestSetpoint);
    EXPECT_FLOAT_EQ(core_.commands.setpointToWrite(), value);
    form().setText(kSetpointEdit, QString::number(value, 'f', 2));
  }
  EXPECT_TRUE(core_.live.RampDown.load());

  form().setText(kSetpointEdit, "1");
  rampTick(form(), core_.live, core_.window, core_.commands);
  EXPECT_FLOAT_EQ(core_.commands.setpointToWrite(), 0);
  EXPECT_FALSE(core_.live.RampDown.load());

  // Another source, or no connection: the direction turns, nothing is posted.
  for (auto [source, connected] : {std::pair{0, true}, std::pair{2, false}}) {
    core_.window.SetPointSource.store(source);
    core_.window.Connected.store(connected);
    core_.window.RequestPending.store(0);
    form().setText(kSetpointEdit, "100");
    core_.live.RampDown.store(false);
    rampTick(form(), core_.live, core_.window, core_.commands);
    EXPECT_EQ(core_.window.RequestPending.load(), 0);
    EXPECT_TRUE(core_.live.RampDown.load());
    EXPECT_EQ(form().text(kSetpointEdit), "100");
  }
}

TEST_F(ControlOperations, GraphStartsOnceAndMayStartAgainAfterBurstFailed) {
  LiveData& live = core_.live;
  startGraph(live, core_.operations);
  EXPECT_TRUE(live.BurstRequested && live.BurstActive && live.GraphRunning);

  // The thread could not switch burst mode on.
  live.BurstRequested.store(false);
  live.BurstActive.store(false);
  startGraph(live, core_.operations);
  EXPECT_TRUE(live.BurstRequested && live.BurstActive && live.GraphRunning);

  form().setVisible("LabelExtraData", true);
  stopGraph(live, form(), core_.operations);
  EXPECT_FALSE(live.BurstRequested || live.BurstActive || live.GraphRunning);
  EXPECT_FALSE(form().value("LabelExtraData").visible);
  EXPECT_FALSE(form().value("LabelExtraDataValue").visible);
}

class GraphFiles : public ControlOperations {
 protected:
  QString path(const QString& name) const { return folder_.filePath(name); }
  QTemporaryDir folder_;
};

TEST_F(GraphFiles, SavedGraphLoadsBackAsAComparisonSet) {
  for (int i = 0; i < 600; ++i) core_.live.ring.append({static_cast<float>(i) / 8, static_cast<float>(i)});
  saveGraph(path("run"), true, core_.live, form(), core_.window);
  EXPECT_EQ(form().text(kStatusBar), "169 points of data saved");
  EXPECT_EQ(core_.window.LastGraphFile(), path("run.txt"));

  form().setChecked("RadioButton1", false);
  form().setChecked("RadioButton2", true);
  loadGraph(path("run.txt"), false, core_.live, form());
  EXPECT_EQ(form().text(kStatusBar), "169 points of data loaded into set 1");
  const ComparisonSet set = core_.live.graph.comparisonSets()[1];
  ASSERT_EQ(set.count, 169);
  EXPECT_FLOAT_EQ(set.setpoint[0], 431.0f / 8);
  EXPECT_FLOAT_EQ(set.position[168], 599);
  EXPECT_EQ(core_.live.graph.comparisonSets()[0].count, 0);
  EXPECT_TRUE(form().checked("CheckBoxShowGraphLoaded2Setpoint"));
  EXPECT_TRUE(form().checked("CheckBoxShowGraphLoaded2Position"));
  EXPECT_FALSE(form().checked("CheckBoxShowGraphLoaded1Setpoint"));
}

TEST_F(GraphFiles, EmptyRingWritesAnEmptyFileAndAFailedWriteSaysSo) {
  saveGraph(path("empty.txt"), true, core_.live, form(), core_.window);
  EXPECT_EQ(form().text(kStatusBar), "0 points of data saved");
  EXPECT_TRUE(QFile::exists(path("empty.txt")));

  saveGraph(path("missing/folder/g.txt"), true, core_.live, form(), core_.window);
  EXPECT_TRUE(form().text(kStatusBar).startsWith("Could not write the graph file"))
      << form().text(kStatusBar).toStdString();

  // A file that is not there loads nothing and shows no set.
  loadGraph(path("absent.txt"), true, core_.live, form());
  EXPECT_EQ(form().text(kStatusBar), "0 points of data loaded into set 0");
  EXPECT_FALSE(form().checked("CheckBoxShowGraphLoaded1Setpoint"));
}

TEST(GraphDialogs, StartInTheFolderOfTheLastGraphElseInTheGraphsFolder) {
  WindowState window;
  EXPECT_EQ(graphSaveDialogStart(window, "/data/graphs/"), "/data/graphs/graph.txt");
  EXPECT_EQ(graphOpenDialogFolder(window, "/data/graphs/"), "/data/graphs/");
  window.setLastGraphFile("/home/tech/valve 7/run.txt");
  EXPECT_EQ(graphSaveDialogStart(window, "/data/graphs/"), "/home/tech/valve 7/run.txt");
  EXPECT_EQ(graphOpenDialogFolder(window, "/data/graphs/"), "/home/tech/valve 7");
}

TEST_F(ControlOperations, DefaultReportsWhetherTheSourceSelectionChanged) {
  EXPECT_FALSE(applyControlConfigurationDefaults(form()));
  form().setSelectedIndex(kSetpointSourceGroup, 0);
  form().setText(kSetpointEdit, "55");
  EXPECT_TRUE(applyControlConfigurationDefaults(form()));
  EXPECT_EQ(form().selectedIndex(kSetpointSourceGroup), 1);
  EXPECT_EQ(form().text(kSetpointEdit), "0");
}

}  // namespace
}  // namespace velk
