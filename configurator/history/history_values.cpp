#include "history/history_values.h"

#include <QList>
#include <limits>

namespace velk {

QByteArray historyValuesText(const HistoryValues& values) {
  QByteArray text = values.title.toUtf8() + '\n';
  for (const auto& value : values.values) text += (value ? QByteArray::number(*value) : QByteArray(kFailedValue)) + '\n';
  return text;
}

std::optional<HistoryValues> historyValuesFrom(const QByteArray& text) {
  QList<QByteArray> lines = text.split('\n');
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
  if (lines.isEmpty() || lines.front().trimmed().isEmpty()) return std::nullopt;
  HistoryValues values;
  values.title = QString::fromUtf8(lines.front()).trimmed();
  for (qsizetype i = 1; i < lines.size(); ++i) {
    const QByteArray line = lines[i].trimmed();
    if (line == kFailedValue) {
      values.values.emplace_back();
      continue;
    }
    bool ok = false;
    const qint64 number = line.toLongLong(&ok);
    if (!ok || number < std::numeric_limits<std::int32_t>::min() || number > std::numeric_limits<std::int32_t>::max())
      return std::nullopt;
    values.values.emplace_back(std::int32_t(number));
  }
  return values;
}

}  // namespace velk
