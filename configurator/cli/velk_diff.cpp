#include "cli/velk_diff.h"

#include <vector>

#include "cli/velk_options.h"
#include "model/number_text.h"
#include "registry/configuration_comparison.h"
#include "registry/page_sequences.h"

namespace velk::cli {

namespace {

// A number as the page shows it, so that 0.1 and 0.100000001 agree.
QString shown(const QString& text, int digits, char separator) {
  const auto value = parseDecimal(text.toStdString(), separator);
  return value ? QString::fromStdString(formatGeneral(*value, digits, separator)) : text;
}

}  // namespace

std::vector<Difference> configurationDifferences(const QByteArray& wanted, const QByteArray& actual,
                                                 char decimalSeparator) {
  const std::vector<ComparedEntry> rows = compareConfigurations(wanted, actual);
  bool customCurve = false;
  for (const ComparedEntry& row : rows)
    if (row.key == "CHARACTER") customCurve = row.left == "Custom curve";

  std::vector<Difference> differences;
  for (const ComparedEntry& row : rows) {
    // What the file does not set, sending it does not change.
    if (!row.left || moduleSendingKey(row.key) == nullptr) continue;
    const bool curve = row.key.startsWith("X(") || row.key.startsWith("Y(") || row.key == "CUSTOM CURVE TABLE SIZE";
    if (curve && !customCurve) continue;
    const int digits = curve ? kCurveDigits : kReadValueDigits;
    const QString other = row.right.value_or(QString());
    if (shown(*row.left, digits, decimalSeparator) != shown(other, digits, decimalSeparator))
      differences.push_back({row.key, *row.left, comparedValueText(row.right)});
  }
  return differences;
}

int printDifferences(const std::vector<Difference>& differences, QTextStream& out) {
  for (const Difference& d : differences)
    out << d.key << ": file \"" << d.wanted << "\", device \"" << d.actual << "\"\n";
  return differences.empty() ? kSuccess : kFailed;
}

}  // namespace velk::cli
