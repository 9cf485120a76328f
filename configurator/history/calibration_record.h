#pragma once
// The payload of a calibration's record: what the CALIBRATE page showed when
// the sequence ended, one "Name: value" line each, so that `velk history
// show` prints it as it is and a report finds its parts again. A tuned
// parameter that was not read back is left out, never written as 0.
//
//   Kind: Autocalibration
//   Outcome: Calibration complete
//   Travel: Travel Test Done
//   Leak: Leak Test Done
//   Tune: Tune Done
//   P: 120
//   I: 40
//   D: 8

#include <QByteArray>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

namespace velk {

struct CalibrationRecord {
  QString kind;     // "Travel calibration" or "Autocalibration"
  QString outcome;  // how the sequence ended, as the page said it
  std::vector<std::pair<QString, QString>> stages = {};  // stage name, its last status text
  std::optional<QString> p = {}, i = {}, d = {};        // the tuned PID, as read back
};

QByteArray calibrationRecordText(const CalibrationRecord& record);
// None when the text has no "Kind:" line; unknown lines are skipped, so a
// later program's extra lines do not make an old record unreadable.
std::optional<CalibrationRecord> calibrationRecordFrom(const QByteArray& text);

}  // namespace velk
