#include "diagnostics/history_views.h"

#include "diagnostics/diag2_operations.h"
#include "diagnostics/diag_alarms_operations.h"
#include "diagnostics/logic/baseline_figures.h"
#include "diagnostics/trends_operations.h"
#include "history/history_values.h"
#include "model/form_state.h"
#include "model/window_state.h"

namespace velk {

namespace {

QByteArray valuesRecord(const QString& title, const std::vector<std::int32_t>& values,
                        const std::vector<bool>& failed) {
  HistoryValues record{title, {}};
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i < failed.size() && failed[i])
      record.values.emplace_back();
    else
      record.values.emplace_back(values[i]);
  }
  return historyValuesText(record);
}

// The payload's values, exactly `count` of them, failed ones as 0.
std::optional<std::vector<std::int32_t>> valuesOf(const HistoryValues& record, std::size_t count, QString& why) {
  if (record.values.size() != count) {
    why = QString("%1 holds %2 values, not %3").arg(record.title).arg(record.values.size()).arg(count);
    return std::nullopt;
  }
  std::vector<std::int32_t> values;
  values.reserve(count);
  for (const auto& value : record.values) values.push_back(value.value_or(0));
  return values;
}

std::optional<HistoryValues> parsed(const QByteArray& payload, QString& why) {
  auto record = historyValuesFrom(payload);
  if (!record) why = "the record holds no uploaded values";
  return record;
}

}  // namespace

QByteArray signatureRecord(const FormState& form, const WindowState& window, const std::vector<bool>& failed) {
  const Diag2Graph graph = selectedDiag2Graph(form);
  const std::optional<DiagDataSet> set = diag2DataSet(graph);
  if (!set) return {};
  return valuesRecord(form.items(kGraphTypeSelector).value(int(graph)), window.Diagnostics.dataSet(*set), failed);
}

QByteArray trendRecord(const FormState& form, const WindowState& window, const std::vector<bool>& failed) {
  const int variable = form.selectedIndex(kTrendVariableSelector);
  if (variable < 0 || variable >= kTrendVariables) return {};
  return valuesRecord(form.items(kTrendVariableSelector).value(variable), window.Diagnostics.trend(variable), failed);
}

QByteArray alarmsRecord(const FormState& form, const std::vector<bool>& failed) {
  std::vector<std::int32_t> alarms;
  for (int byte = 0; byte < kDiagnosticAlarms; ++byte) alarms.push_back(form.checked(alarmCheckBox(byte)) ? 1 : 0);
  return valuesRecord(kAlarmsRecordTitle, alarms, failed);
}

bool showSignatureRecord(FormState& form, WindowState& window, const QByteArray& payload, QString& why,
                         const QDateTime& time) {
  const auto record = parsed(payload, why);
  if (!record) return false;
  const int index = int(form.items(kGraphTypeSelector).indexOf(record->title));
  const std::optional<DiagDataSet> set = index < 0 ? std::nullopt : diag2DataSet(Diag2Graph(index));
  if (!set) {
    why = "DIAG 2 has no graph \"" + record->title + "\"";
    return false;
  }
  if (record->values.empty()) {
    why = record->title + " holds no values";
    return false;
  }
  // Kept for the device shown now: another device read brings its own baseline.
  const qint64 device = form.text("Edit183").trimmed().toLongLong();
  window.Diagnostics.setReference(*set, DiagReference{record->values, time, false, device});
  form.setSelectedIndex(kGraphTypeSelector, index);
  return true;
}

bool showTrendRecord(FormState& form, WindowState& window, const QByteArray& payload, QString& why) {
  const auto record = parsed(payload, why);
  if (!record) return false;
  const int variable = int(form.items(kTrendVariableSelector).indexOf(record->title));
  if (variable < 0 || variable >= kTrendVariables) {
    why = "TRENDS has no variable \"" + record->title + "\"";
    return false;
  }
  auto values = valuesOf(*record, kTrendValues, why);
  if (!values) return false;
  window.Diagnostics.setTrend(variable, std::move(*values));
  form.setSelectedIndex(kTrendVariableSelector, variable);
  return true;
}

bool showAlarmsRecord(FormState& form, const QByteArray& payload, QString& why) {
  const auto record = parsed(payload, why);
  if (!record) return false;
  if (record->title != kAlarmsRecordTitle) {
    why = "the record holds no diagnostic alarms";
    return false;
  }
  const auto values = valuesOf(*record, kDiagnosticAlarms, why);
  if (!values) return false;
  for (int byte = 0; byte < kDiagnosticAlarms; ++byte) form.setChecked(alarmCheckBox(byte), (*values)[byte] != 0);
  return true;
}

std::optional<HistoryValues> uploadedValues(const WindowState& window, Diag2Graph graph, bool markFailed) {
  const std::optional<DiagDataSet> set = diag2DataSet(graph);
  if (!set) return std::nullopt;
  HistoryValues values{kDiag2GraphNames[std::size_t(graph)], {}};
  const std::vector<std::int32_t> data = window.Diagnostics.dataSet(*set);
  const std::vector<bool> failed = window.Diagnostics.dataSetFailed(*set);
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (markFailed && i < failed.size() && failed[i])
      values.values.emplace_back();
    else
      values.values.emplace_back(data[i]);
  }
  return values;
}

std::optional<ShownReference> shownReference(const WindowState& window, Diag2Graph graph) {
  const std::optional<DiagDataSet> set = diag2DataSet(graph);
  const std::optional<DiagReference> reference = set ? window.Diagnostics.reference(*set) : std::nullopt;
  if (!reference) return std::nullopt;
  return ShownReference{{kDiag2GraphNames[std::size_t(graph)], reference->values},
                        referenceName(reference->time, reference->baseline),
                        reference->baseline};
}

}  // namespace velk
