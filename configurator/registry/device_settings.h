#pragma once
// The per-user settings that survive a restart: COM port, device type,
// device software version, the serial device each COM port opens, and the
// path of the key file secure HART-IP ports use (never the key).

#include <QSettings>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>

#include "model/window_state.h"

namespace velk {

struct VersionItem {
  const char* caption;
  int version;
};

// The Version menu, in order. "&Unknown" and "&8.6" are both 86, so a stored
// 86 comes back as "&8.6".
inline constexpr VersionItem kVersionItems[] = {{"&Unknown", 86}, {"&8.6", 86},   {"9.&0", 90},
                                                {"&9.1", 91},     {"&10.0", 100}, {"&10.1", 101}};
inline constexpr int kVersionItemUnknown = 0;

struct DeviceSettings {
  // False when the settings could not be opened: then the defaults hold and
  // nothing is read or written.
  bool available = false;
  int comPort = 1;
  int deviceType = kDeviceTypeQ5;
  int deviceVersion = kDeviceVersionUnknown;
  int versionItem = kVersionItemUnknown;           // index into kVersionItems
  std::array<QString, kComPortCount> portDevices;  // chosen devices; empty: default
  QString hartIpKeyFile;                           // empty: none chosen
};

// The settings file: empty names the user's native settings of the program.
std::unique_ptr<QSettings> openSettings(const QString& file);

// Reads the settings with the start-up rules, writing back the defaults of
// missing values and a port of 0 (or no number) as "1".
DeviceSettings loadDeviceSettings(QSettings& settings);
// Written at shutdown; nothing when the settings were not available at start.
void saveDeviceSettings(QSettings& settings, const DeviceSettings& values);

// Serial devices present under `devRoot`: /dev/serial/by-id/* first (their
// names say which adapter they are), then ttyUSB*, ttyACM* and ttyS*.
QStringList listSerialDevices(const QString& devRoot = "/dev");

// The whole number a text begins with (after blanks, with an optional sign);
// 0 when it begins with none, as a C-style conversion gives.
long long leadingInteger(const QString& text);

}  // namespace velk
