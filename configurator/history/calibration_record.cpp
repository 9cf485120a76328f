#include "history/calibration_record.h"

#include <QList>

namespace velk {

namespace {

constexpr const char* kKind = "Kind";
constexpr const char* kOutcome = "Outcome";
constexpr const char* kStageNames[] = {"Travel", "Leak", "Tune"};

QByteArray line(const QString& name, const QString& value) {
  // A value never spans lines: the text is read back line by line.
  QString flat = value;
  flat.replace('\n', ' ');
  return (name + ": " + flat).toUtf8() + '\n';
}

}  // namespace

QByteArray calibrationRecordText(const CalibrationRecord& record) {
  QByteArray text = line(kKind, record.kind) + line(kOutcome, record.outcome);
  for (const auto& [stage, status] : record.stages) text += line(stage, status);
  for (const auto& [name, value] : {std::pair{"P", record.p}, {"I", record.i}, {"D", record.d}})
    if (value) text += line(name, *value);
  return text;
}

std::optional<CalibrationRecord> calibrationRecordFrom(const QByteArray& text) {
  CalibrationRecord record;
  bool hasKind = false;
  for (const QByteArray& raw : text.split('\n')) {
    const QString entry = QString::fromUtf8(raw);
    const qsizetype colon = entry.indexOf(": ");
    if (colon <= 0) continue;
    const QString name = entry.left(colon);
    const QString value = entry.mid(colon + 2).trimmed();
    if (name == kKind) {
      record.kind = value;
      hasKind = true;
    } else if (name == kOutcome) {
      record.outcome = value;
    } else if (name == "P") {
      record.p = value;
    } else if (name == "I") {
      record.i = value;
    } else if (name == "D") {
      record.d = value;
    } else {
      for (const char* stage : kStageNames)
        if (name == stage) record.stages.emplace_back(name, value);
    }
  }
  if (!hasKind) return std::nullopt;
  return record;
}

}  // namespace velk
