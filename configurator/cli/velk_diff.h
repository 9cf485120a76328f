#pragma once
// What differs between two configurations, for what "Send All" writes (the
// keys its modules name as sent): CONTROL's setpoint source, SETUP,
// CHARACTERISTICS (the custom curve when it is the characteristic),
// APPEARANCE, TUNING and ALARMS. The
// READ page, the statistics, the live values, the calibration fields, the
// toggle-step test and the password are not compared. Numbers are equal when
// they agree to the precision the page shows them.

#include <QByteArray>
#include <QString>
#include <QTextStream>
#include <vector>

namespace velk::cli {

struct Difference {
  QString key;
  QString wanted;  // in the first configuration
  QString actual;  // in the second
  bool operator==(const Difference&) const = default;
};

// Both as configuration files (the window's format).
std::vector<Difference> configurationDifferences(const QByteArray& wanted, const QByteArray& actual,
                                                 char decimalSeparator);

// One line per difference, `KEY: file "WANTED", device "ACTUAL"`; the exit
// code of a comparison: 0 when nothing differs, else 1.
int printDifferences(const std::vector<Difference>& differences, QTextStream& out);

}  // namespace velk::cli
