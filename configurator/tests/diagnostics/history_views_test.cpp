// Uploads as history records and back: what DIAG 2, TRENDS and DIAG ALARMS
// showed is what they show again from the record, and a record that does not
// fit the page leaves the page as it was.
#include "diagnostics/history_views.h"

#include <gtest/gtest.h>

#include <functional>

#include "diagnostics/diag2_operations.h"
#include "diagnostics/diag_alarms_operations.h"
#include "diagnostics/trends_operations.h"
#include "history/history_values.h"
#include "model/form_state.h"
#include "model/window_state.h"
#include "support/core_fixture.h"

namespace velk {
namespace {

class HistoryViewsTest : public CoreTest {
 protected:
  HistoryViewsTest() { applyDefaults(); }
};

std::vector<std::int32_t> counting(int count, int from) {
  std::vector<std::int32_t> values(count);
  for (int i = 0; i < count; ++i) values[i] = from + i;
  return values;
}

TEST_F(HistoryViewsTest, ARecordShowsWhatThePageShowedWithFailedValuesAsZeroOrLeftOut) {
  QString why;
  // DIAG 2: the multi step signature, its second value from a failed block.
  form().setSelectedIndex(kGraphTypeSelector, int(Diag2Graph::MultiStepSignature));
  window().Diagnostics.setDataSet(DiagDataSet::MultiStepSignature, counting(100, 500));
  const QByteArray signature = signatureRecord(form(), window(), {false, true});
  EXPECT_TRUE(signature.startsWith("Multi step signature\n500\nfailed\n502\n"));
  // TRENDS: the position's trend.
  form().setSelectedIndex(kTrendVariableSelector, 2);
  window().Diagnostics.setTrend(2, counting(kTrendValues, -40));
  const QByteArray trend = trendRecord(form(), window());
  // DIAG ALARMS: two alarms on.
  form().setChecked(alarmCheckBox(0), true);
  form().setChecked(alarmCheckBox(85), true);
  const QByteArray alarms = alarmsRecord(form());

  form().setSelectedIndex(kGraphTypeSelector, 0);
  form().setSelectedIndex(kTrendVariableSelector, 0);
  window().Diagnostics.setDataSet(DiagDataSet::MultiStepSignature, counting(100, 0));
  window().Diagnostics.setTrend(2, counting(kTrendValues, 0));
  form().setChecked(alarmCheckBox(0), false);
  form().setChecked(alarmCheckBox(85), false);
  form().setChecked(alarmCheckBox(3), true);

  // A signature is drawn beside the upload in place of the baseline, its
  // failed value left out; the upload stays as it was.
  ASSERT_TRUE(showSignatureRecord(form(), window(), signature, why)) << why.toStdString();
  EXPECT_EQ(form().selectedIndex(kGraphTypeSelector), int(Diag2Graph::MultiStepSignature));
  EXPECT_EQ(window().Diagnostics.dataSet(DiagDataSet::MultiStepSignature), counting(100, 0));
  const std::optional<ShownReference> shown = shownReference(window(), Diag2Graph::MultiStepSignature);
  ASSERT_TRUE(shown);
  EXPECT_FALSE(shown->baseline);
  ASSERT_EQ(shown->values.values.size(), 100u);
  EXPECT_EQ(shown->values.values[0], 500);
  EXPECT_EQ(shown->values.values[1], std::nullopt);
  ASSERT_TRUE(showTrendRecord(form(), window(), trend, why)) << why.toStdString();
  EXPECT_EQ(form().selectedIndex(kTrendVariableSelector), 2);
  EXPECT_EQ(window().Diagnostics.trend(2), counting(kTrendValues, -40));
  ASSERT_TRUE(showAlarmsRecord(form(), alarms, why)) << why.toStdString();
  EXPECT_TRUE(form().checked(alarmCheckBox(0)));
  EXPECT_TRUE(form().checked(alarmCheckBox(85)));
  EXPECT_FALSE(form().checked(alarmCheckBox(3)));
}

TEST_F(HistoryViewsTest, ARecordThatDoesNotFitChangesNothing) {
  form().setSelectedIndex(kGraphTypeSelector, 0);
  form().setSelectedIndex(kTrendVariableSelector, 1);
  const auto values = [](const char* title, int count) {
    return historyValuesText({title, std::vector<std::optional<std::int32_t>>(count, 7)});
  };
  struct Case {
    const char* what;
    std::function<bool(FormState&, WindowState&, const QByteArray&, QString&)> show;
    QByteArray payload;
    const char* why;
  };
  const auto alarms = [](FormState& form, WindowState&, const QByteArray& payload, QString& why) {
    return showAlarmsRecord(form, payload, why);
  };
  const auto signature = [](FormState& form, WindowState& window, const QByteArray& payload, QString& why) {
    return showSignatureRecord(form, window, payload, why);
  };
  const Case cases[] = {
      {"a signature with no values", signature, values("Ramp signature", 0), "holds no values"},
      {"a graph DIAG 2 has no data for", signature, values("Normal graph", 100), "DIAG 2 has no graph"},
      {"a configuration as a signature", signature, "Velk Configurator 2.0\r\nSOURCE 1\r\n", "no uploaded"},
      {"a trend of no variable", &showTrendRecord, values("Pressure", kTrendValues), "TRENDS has no variable"},
      {"alarms of another title", alarms, values("Friction", kDiagnosticAlarms), "no diagnostic alarms"},
  };
  for (const Case& c : cases) {
    QString why;
    EXPECT_FALSE(c.show(form(), window(), c.payload, why)) << c.what;
    EXPECT_TRUE(why.contains(c.why)) << c.what << ": " << why.toStdString();
    EXPECT_EQ(form().selectedIndex(kGraphTypeSelector), 0) << c.what;
    EXPECT_EQ(form().selectedIndex(kTrendVariableSelector), 1) << c.what;
    EXPECT_EQ(window().Diagnostics.dataSet(DiagDataSet::RampSignature), std::vector<std::int32_t>(100, 0)) << c.what;
    EXPECT_FALSE(window().Diagnostics.reference(DiagDataSet::RampSignature)) << c.what;
    EXPECT_FALSE(form().checked(alarmCheckBox(0))) << c.what;
  }
}

}  // namespace
}  // namespace velk
