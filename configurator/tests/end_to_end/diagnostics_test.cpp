// The diagnostics pages against the simulated positioner: alarms, event log,
// trends and DIAG 2's burst configuration and graphs, uploaded from the
// device's memory.
#include <QComboBox>
#include <QImage>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "diagnostics/diag2_operations.h"
#include "diagnostics/diag2_page.h"
#include "diagnostics/diag_alarms_operations.h"
#include "diagnostics/trends_operations.h"
#include "diagnostics/trends_page.h"
#include "files/logs_operations.h"
#include "model/live_data.h"
#include "model/page_activity.h"
#include "model/program_paths.h"
#include "model/window_operations.h"
#include "registry/page_registry.h"
#include "support/simulator_fixture.h"
#include "ui/form_binder.h"
#include "ui/page_context.h"

namespace velk {
namespace {

class DiagnosticsEndToEnd : public SimulatorFixture {
 protected:
  DiagnosticsEndToEnd() { applyStartupDefaults(form(), window()); }

  void SetUp() override { attachInstrument(); }

  static void waitFor(const std::function<bool()>& condition) {
    ASSERT_TRUE(QTest::qWaitFor(condition, 20000));
  }

  // Renders a paint box as the page shows it, on white.
  static QImage render(QWidget* box) {
    QImage image(box->size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    box->render(&image, {}, {}, QWidget::DrawChildren);
    return image;
  }

  PageContext context(const char* page) { return {core(), binder_, paths_, page}; }

  QTemporaryDir home_;
  FormBinder binder_{form()};
  ProgramPaths paths_{home_.filePath("settings.ini"), home_.filePath("data")};
};

TEST_F(DiagnosticsEndToEnd, AlarmUploadChecksTheBoxesTheDevicesStateImplies) {
  simulator().update_state([](sim::DeviceState& s) {
    s.service.out_of_service = true;
    s.control.setpoint_source = sim::setpoint_source::kManual;
    s.alarms[sim::AlarmKind::Limit1] = {true, {0.0f, 10.0f, 2.0f}, false, 0};  // the valve stands at 50 %
  });
  runSteps(job(), uploadAlarms());
  std::vector<int> checked;
  for (int byte = 0; byte < kDiagnosticAlarms; ++byte)
    if (form().checked(alarmCheckBox(byte))) checked.push_back(byte);
  EXPECT_EQ(checked, (std::vector<int>{2, 78, 79}));  // limit 1, manual mode, out of service
  EXPECT_EQ(form().text(kUploadMessage), "Upload OK");
}

// A block that comes back with fewer bytes than asked is a failed block: its
// boxes keep what they showed and the log says why.
TEST_F(DiagnosticsEndToEnd, AShortBlockOfTheAlarmTableFailsAndKeepsItsBoxes) {
  simulator().update_state([](sim::DeviceState& s) { s.service.out_of_service = true; });
  form().setChecked(alarmCheckBox(40), true);  // in the second block, clear in the device
  std::string error;
  simulator().set_faults(*sim::parse_fault_plan("short-reply@2", error));
  runSteps(job(), uploadAlarms());
  std::vector<int> checked;
  for (int byte = 0; byte < kDiagnosticAlarms; ++byte)
    if (form().checked(alarmCheckBox(byte))) checked.push_back(byte);
  EXPECT_EQ(checked, (std::vector<int>{40, 79}));
  EXPECT_EQ(form().text(kUploadMessage), "Error in uploading");
  EXPECT_EQ(form().text(kStatusBar), "Error in uploading: 1 of 4 blocks failed");
  const QStringList log = form().lines(kCommunicationLog);
  ASSERT_EQ(log.size(), 1);
  EXPECT_TRUE(log[0].contains(QRegularExpression(" : reply too short \\(\\d+ of 28 bytes\\)$")))
      << log[0].toStdString();
}

TEST_F(DiagnosticsEndToEnd, GetLogListsTheDevicesEventsNewestFirst) {
  simulator().update_state([](sim::DeviceState& s) { s.service.out_of_service = true; });
  runSteps(job(), getEventLog());
  const QStringList log = form().lines(kEventLog);
  // 14 events: a past of 12, this start's power-on and going out of service just now.
  ASSERT_EQ(log.size(), 14);
  EXPECT_EQ(log[0], "Out of service");
  EXPECT_EQ(log[1], "Power on");
  EXPECT_EQ(log[2], "Temp ok");
  EXPECT_EQ(log.back(), "Calibration done");
  EXPECT_EQ(form().text(kStatusBar), "Upload OK");
}

TEST_F(DiagnosticsEndToEnd, TrendsUploadTheChosenVariableAndSwitchWithoutTheDevice) {
  core().commands.start();
  PageContext trends = context("TabSheet3");
  TrendsPage page(trends);
  page.resize(900, 600);
  page.show();
  EXPECT_EQ(page.shownVariable(), -1);

  form().setSelectedIndex(kTrendVariableSelector, 1);  // "Deviation"
  page.findChild<QPushButton*>("ButtonTrendsUpload")->click();
  waitFor([&] { return !core().activity.busy("TabSheet3") && form().text(kStatusBar) == "Upload OK"; });
  const auto device = simulator().state().diagnostics.trends[1];
  const TrendValues uploaded = window().Diagnostics.trend(1);
  EXPECT_EQ(uploaded, TrendValues(device.begin(), device.end()));
  EXPECT_EQ(page.shownVariable(), 1);

  // The last hour's bar on the "Today" chart: 40 pixels a unit of 0.01 x raw.
  QWidget* today = page.findChild<QWidget*>("PaintBoxTodayGraph");
  QTest::qWait(50);
  const QImage image = render(today);
  const int top = static_cast<int>(405 - 40 * (uploaded[23] * 0.01f) - 1);
  EXPECT_EQ(image.pixelColor(23 * 5 + 2, top + 1), QColor(255, 0, 0));
  EXPECT_NE(image.pixelColor(23 * 5 + 2, top - 1), QColor(255, 0, 0));

  const auto requests = simulator().counters().requests_for_us;
  form().setSelectedIndex(kTrendVariableSelector, 0);  // "Friction": its last upload, zeros
  settle();
  EXPECT_EQ(page.shownVariable(), 0);
  EXPECT_EQ(render(today).pixelColor(23 * 5 + 2, 398), Qt::white);
  EXPECT_EQ(simulator().counters().requests_for_us, requests);
}

TEST_F(DiagnosticsEndToEnd, ConfigureChangesWhatTheBurstSamplesCarry) {
  simulator().update_state([](sim::DeviceState& s) { s.process.temperature_c = 37.0f; });
  // Position, temperature where the setpoint was, setpoint, supply pressure.
  const std::pair<const char*, int> assignment[] = {
      {"ComboBox3", 0}, {"ComboBox4", 2}, {"ComboBox5", 1}, {"ComboBox6", 5}};
  for (const auto& [selector, index] : assignment) form().setSelectedIndex(selector, index);
  Button47Click(job());
  EXPECT_EQ(simulator().state().control.dynamic_variables, (std::array<std::uint8_t, 4>{0, 2, 1, 5}));

  core().live.BurstRequested.store(true);
  core().commands.start();
  // The live graph's setpoint now carries the temperature.
  waitFor([&] {
    const GraphRingSnapshot ring = core().live.ring.snapshot();
    return ring.GraphIndex > 0 && std::abs(ring.at(ring.GraphIndex - 1).setpoint - 37.0f) < 1.0f;
  });

  for (const char* box : kBurstBoxes) form().setChecked(box, QString(box) == "CheckBoxBurstPos");
  core().commands.post("configure", &Button47Click);
  waitFor([&] { return simulator().state().control.burst_command == 1; });
}

TEST_F(DiagnosticsEndToEnd, EveryGraphTypeIsDrawnFromItsUploadWithItsAxes) {
  PageContext diag2 = context("TabSheetDiag");
  std::unique_ptr<QWidget> page(createDiag2Page(diag2));
  page->show();
  QWidget* graph = page->findChild<QWidget*>("PaintBox4");
  const QColor blue(0, 0, 255), teal(0, 128, 128), yellow(255, 255, 0);
  const auto show = [&](Diag2Graph type) {
    form().setSelectedIndex(kGraphTypeSelector, static_cast<int>(type));
    runSteps(job(), uploadDiag2Data());
    settle();
    return render(graph);
  };
  // A curve's first point, at x 0 or 10, one pixel per 75 units or 50 pixels a unit.
  const auto curveRow = [](std::int32_t value, double pixelsPerUnit) {
    return static_cast<int>(205 - value * pixelsPerUnit);
  };

  QImage image = show(Diag2Graph::FrictionOverPosition);
  auto data = window().Diagnostics.dataSet(DiagDataSet::FrictionCurve);
  ASSERT_GT(data[1], 0);
  EXPECT_EQ(image.pixelColor(10, curveRow(data[1], 0.013333333)), blue);

  image = show(Diag2Graph::PressureOverPosition);
  data = window().Diagnostics.dataSet(DiagDataSet::PressureCurve);
  ASSERT_LT(data[12], 0);  // the closing curve, drawn at its magnitude
  EXPECT_EQ(image.pixelColor(10, curveRow(-data[12], 0.013333333)), blue);

  for (auto [type, set, spacing] :
       {std::tuple{Diag2Graph::RampSignature, DiagDataSet::RampSignature, 2},
        std::tuple{Diag2Graph::SmallStepSignature, DiagDataSet::SmallStepSignature, 20}}) {
    image = show(type);
    data = window().Diagnostics.dataSet(set);
    EXPECT_EQ(image.pixelColor(spacing * 10, curveRow(data[10], 50)), blue) << static_cast<int>(type);
  }

  image = show(Diag2Graph::TravelHistogram);
  data = window().Diagnostics.dataSet(DiagDataSet::TravelHistogram);
  // The star of the middle bin in its text cell, blue (smoothed at its edges).
  const int x = static_cast<int>(8 * 13.333333) - 4, y = static_cast<int>(205 - data[8] * 0.2 - 4);
  const auto inked = [&](int left, int top) {
    int pixels = 0;
    for (int dx = 0; dx < 10; ++dx)
      for (int dy = 0; dy < 14; ++dy) {
        const QColor c = image.pixelColor(left + dx, top + dy);
        pixels += c.blue() > c.red() + 60;
      }
    return pixels;
  };
  EXPECT_GT(inked(x, y), 0);
  EXPECT_EQ(inked(x, y + 30), 0);

  for (int i = 0; i < 50; ++i) core().live.ring.append({40.0f, 20.0f});
  image = show(Diag2Graph::Normal);
  EXPECT_EQ(image.pixelColor(31, 205 - 2 * 40), teal);
  EXPECT_EQ(image.pixelColor(31, 205 - 2 * 20), blue);
  EXPECT_EQ(image.pixelColor(31, 5), yellow);

  // The index axis counts by 2 here, by 10 for the curves; the value axis
  // marks 0 to 100 over the graph's upper 200 pixels.
  QWidget* indexAxis = page->findChild<QWidget*>("PaintBox6");
  QWidget* valueAxis = page->findChild<QWidget*>("PaintBox5");
  const QImage ticks = render(indexAxis);
  EXPECT_EQ(ticks.pixelColor(8, 3), Qt::black);
  EXPECT_EQ(ticks.pixelColor(28, 3), Qt::black);
  EXPECT_EQ(ticks.pixelColor(18, 3), Qt::white);
  const QImage values = render(valueAxis);
  EXPECT_EQ(values.pixelColor(22, 8 + 205), Qt::black);  // the tick of 0
  EXPECT_EQ(values.pixelColor(22, 8 + 5), Qt::black);    // of 100
  EXPECT_EQ(values.pixelColor(22, 8 + 215), Qt::white);

  image = show(Diag2Graph::ControlHistogram);
  for (int px = 0; px < image.width(); px += 3)
    for (int py = 0; py < image.height(); py += 3) ASSERT_EQ(image.pixelColor(px, py), Qt::white);
}

}  // namespace
}  // namespace velk
