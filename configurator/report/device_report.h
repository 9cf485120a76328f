#pragma once
// What an as-found/as-left report tells of one device, gathered from the
// device history: its identity as last recorded, the latest Send All (as
// left) and the Read All before it (as found) side by side, the last
// calibration, signature and diagnostic alarms. What the history does not
// hold is said, never made up.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

#include "history/calibration_record.h"
#include "history/history_record.h"
#include "history/history_values.h"
#include "registry/configuration_comparison.h"

namespace velk {

class HistoryStore;

struct DeviceReport {
  QDateTime made;  // when the report was made, local time
  QString user;
  QString host;
  QString history;  // where the records come from

  std::optional<HistoryDevice> device;  // none: no record names the device
  std::optional<qint64> deviceId;       // the one asked for
  // Label and value, as the READ page names them.
  std::vector<std::pair<QString, QString>> identity;

  std::optional<HistoryRecord> asFound;
  std::optional<HistoryRecord> asLeft;
  std::vector<ComparedEntry> comparison;  // as found (left) beside as left (right)

  std::optional<HistoryRecord> calibrationRecord;
  std::optional<CalibrationRecord> calibration;
  std::optional<HistoryRecord> signatureRecord;
  std::optional<HistoryValues> signature;
  // The device's baseline of the signature's data set, drawn under it.
  std::optional<HistoryRecord> baselineRecord;
  std::optional<HistoryValues> baseline;
  std::optional<HistoryRecord> alarmsRecord;
  QStringList activeAlarms;  // the alarms' texts
  int unreadAlarms = 0;      // alarms whose block failed

  // What the report cannot show, one sentence each.
  QStringList missing;
};

// The report of `deviceId`, or without one of the device of the newest
// record. The history must be available; a query that fails is said in
// `missing` like any other gap.
DeviceReport gatherDeviceReport(HistoryStore& store, std::optional<qint64> deviceId);

}  // namespace velk
