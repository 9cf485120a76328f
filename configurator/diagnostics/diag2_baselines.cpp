#include "diagnostics/diag2_baselines.h"

#include "diagnostics/diag2_operations.h"
#include "history/history_values.h"
#include "history/program_history.h"
#include "model/form_state.h"
#include "model/window_state.h"

namespace velk {

namespace {

QString key(qint64 device, const QString& dataSet) { return QString::number(device) + "/" + dataSet; }

// The data set a record of the device's baseline holds, drawn as it was stored.
std::optional<std::pair<DiagDataSet, DiagReference>> baselineOf(const HistoryRecord& record) {
  const std::optional<HistoryValues> values = historyValuesFrom(record.payload);
  if (!values || values->values.empty()) return std::nullopt;
  const std::optional<DiagDataSet> set = diag2DataSet(diag2GraphNamed(values->title));
  if (!set) return std::nullopt;
  return std::pair{*set, DiagReference{values->values, record.time, true, record.device.deviceId}};
}

}  // namespace

Diag2Baselines::Diag2Baselines(FormState& form, WindowState& window, QObject* parent)
    : QObject(parent), form_(form), window_(window) {}

std::optional<qint64> Diag2Baselines::shownDevice() const {
  bool ok = false;
  // "-" until the READ page has been read.
  const qint64 id = form_.text("Edit183").trimmed().toLongLong(&ok);
  return ok ? std::optional<qint64>(id) : std::nullopt;
}

void Diag2Baselines::setHistory(ProgramHistory* history) {
  if (history_) history_->disconnect(this);
  history_ = history;
  asked_.clear();
  if (!history) return;
  connect(history, &ProgramHistory::baselineFound, this,
          [this](qint64 device, const QString& dataSet, const HistoryLookup& found) {
            const std::optional<DiagDataSet> set = diag2DataSet(diag2GraphNamed(dataSet));
            if (!set || shownDevice() != device) return;
            if (found.outcome == HistoryLookup::Failed) {
              // Asked again at the next paint; nothing to redraw now.
              asked_.remove(key(device, dataSet));
              return;
            }
            const std::optional<DiagReference> shown = window_.Diagnostics.reference(*set);
            if (found.outcome == HistoryLookup::Found) {
              if (const auto baseline = baselineOf(found.record)) window_.Diagnostics.setReference(*set, baseline->second);
            } else if (shown && shown->deviceId != device) {
              window_.Diagnostics.setReference(*set, std::nullopt);
            }
            Q_EMIT changed();
          });
  connect(history, &ProgramHistory::baselineMarked, this,
          [this](const HistoryRecord& record, const HistoryBaselineMark& mark) {
            const auto baseline = mark.marked ? baselineOf(record) : std::nullopt;
            if (!baseline) return;
            asked_.insert(key(record.device.deviceId, mark.dataSet));
            // The new baseline replaces a record loaded to compare, too.
            if (shownDevice() == record.device.deviceId) {
              window_.Diagnostics.setReference(baseline->first, baseline->second);
              Q_EMIT changed();
            }
          });
}

void Diag2Baselines::want(Diag2Graph graph) {
  const std::optional<DiagDataSet> set = diag2DataSet(graph);
  const std::optional<qint64> device = shownDevice();
  if (!set || !device) return;
  const std::optional<DiagReference> shown = window_.Diagnostics.reference(*set);
  if (shown && shown->deviceId == *device) return;
  // Another device's curve is no baseline of this one.
  if (shown) window_.Diagnostics.setReference(*set, std::nullopt);
  const QString dataSet = kDiag2GraphNames[std::size_t(graph)];
  if (!history_ || asked_.contains(key(*device, dataSet))) return;
  asked_.insert(key(*device, dataSet));
  history_->lookUpBaseline(*device, dataSet);
}

}  // namespace velk
