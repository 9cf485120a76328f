#include "cli/velk_diff.h"

#include <QList>
#include <QMap>
#include <QRegularExpression>
#include <cstring>
#include <vector>

#include "cli/velk_options.h"
#include "model/number_text.h"
#include "registry/config_file.h"
#include "registry/page_sequences.h"

namespace velk::cli {

namespace {

// The file's entries by key, in order; the curve's lines as "X(i)", "Y(i)".
QList<std::pair<QString, QString>> entries(const QByteArray& file) {
  static const QRegularExpression point(R"(^([XY]\(\d+\)) (.*)$)");
  QList<std::pair<QString, QString>> result;
  for (QByteArray line : file.split('\n')) {
    if (line.endsWith('\r')) line.chop(1);
    const QString text = QString::fromLatin1(line);
    if (const QRegularExpressionMatch m = point.match(text); m.hasMatch()) {
      result.append({m.captured(1), m.captured(2)});
      continue;
    }
    static const QString curveCount = "CUSTOM CURVE TABLE SIZE";
    if (text.startsWith(curveCount)) {
      result.append({curveCount, text.mid(curveCount.size() + 1)});
      continue;
    }
    for (const ConfigEntry& entry : configurationEntries()) {
      if (text.startsWith(QLatin1String(entry.key))) {
        result.append({entry.key, text.mid(qsizetype(std::strlen(entry.key)) + 1)});
        break;
      }
    }
  }
  return result;
}

// A number as the page shows it, so that 0.1 and 0.100000001 agree.
QString shown(const QString& text, int digits, char separator) {
  const auto value = parseDecimal(text.toStdString(), separator);
  return value ? QString::fromStdString(formatGeneral(*value, digits, separator)) : text;
}

}  // namespace

std::vector<Difference> configurationDifferences(const QByteArray& wanted, const QByteArray& actual,
                                                 char decimalSeparator) {
  QMap<QString, QString> device;
  for (const auto& [key, value] : entries(actual)) device[key] = value;
  const auto wantedEntries = entries(wanted);
  bool customCurve = false;
  for (const auto& [key, value] : wantedEntries)
    if (key == "CHARACTER") customCurve = value == "Custom curve";

  std::vector<Difference> differences;
  for (const auto& [key, value] : wantedEntries) {
    if (moduleSendingKey(key) == nullptr) continue;
    const bool curve = key.startsWith("X(") || key.startsWith("Y(") || key == "CUSTOM CURVE TABLE SIZE";
    if (curve && !customCurve) continue;
    const int digits = curve ? kCurveDigits : kReadValueDigits;
    const QString other = device.value(key);
    if (shown(value, digits, decimalSeparator) != shown(other, digits, decimalSeparator))
      differences.push_back({key, value, device.contains(key) ? other : QString("(none)")});
  }
  return differences;
}

int printDifferences(const std::vector<Difference>& differences, QTextStream& out) {
  for (const Difference& d : differences)
    out << d.key << ": file \"" << d.wanted << "\", device \"" << d.actual << "\"\n";
  return differences.empty() ? kSuccess : kFailed;
}

}  // namespace velk::cli
