#pragma once
// What differs between two configurations, for what "Send All" writes: the
// settings of CONTROL's setpoint source, SETUP, CHARACTERISTICS (the custom
// curve when it is the characteristic), APPEARANCE, TUNING and ALARMS. The
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

// The page whose send writes a key ("TabSheetTuning"); empty for a key that
// Send All does not write.
QString sendingPage(const QString& key);
// Whether the device takes that page's settings only while out of service.
bool sentOutOfServiceOnly(const QString& page);

}  // namespace velk::cli
