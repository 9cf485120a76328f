#include "registry/device_settings.h"

#include <QCoreApplication>
#include <QDir>
#include <limits>

namespace velk {

namespace {

constexpr const char* kGroup = "HARTConfig";
constexpr const char* kComPortKey = "ComPort";
constexpr const char* kDeviceTypeKey = "DevType";
constexpr const char* kDeviceVersionKey = "DevVersion";

QString portDeviceKey(int port) { return QString("ComDevice%1").arg(port); }
constexpr const char* kHartIpKeyFileKey = "HartIpKeyFile";

bool settingsAvailable(const QSettings& settings) {
  return settings.status() == QSettings::NoError && settings.isWritable();
}

int readComPort(QSettings& settings) {
  if (!settings.contains(kComPortKey)) {
    settings.setValue(kComPortKey, "1");
    return 1;
  }
  const long long port = leadingInteger(settings.value(kComPortKey).toString());
  if (port == 0) {
    settings.setValue(kComPortKey, "1");
    return 1;
  }
  // A stored port outside 2..8 (1 included) is read as 1 and left as it is
  // until the shutdown writes the port in use.
  return port >= 2 && port <= kComPortCount ? static_cast<int>(port) : 1;
}

int readDeviceType(QSettings& settings) {
  if (!settings.contains(kDeviceTypeKey)) {
    settings.setValue(kDeviceTypeKey, kDeviceTypeQ5);
    return kDeviceTypeQ5;
  }
  return settings.value(kDeviceTypeKey).toInt() == kDeviceTypeQ50 ? kDeviceTypeQ50 : kDeviceTypeQ5;
}

// Returns the index of the Version item.
int readVersionItem(QSettings& settings) {
  if (!settings.contains(kDeviceVersionKey)) {
    settings.setValue(kDeviceVersionKey, kDeviceVersionUnknown);
    return kVersionItemUnknown;
  }
  bool isNumber = false;
  const int stored = settings.value(kDeviceVersionKey).toInt(&isNumber);
  // Item 0 ("&Unknown") is never chosen by a stored value: 86 is "&8.6".
  for (int item = 1; isNumber && item < static_cast<int>(std::size(kVersionItems)); ++item)
    if (kVersionItems[item].version == stored) return item;
  return kVersionItemUnknown;
}

}  // namespace

long long leadingInteger(const QString& text) {
  int i = 0;
  while (i < text.size() && text[i].isSpace()) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  constexpr long long kLimit = std::numeric_limits<int>::max();
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    value = std::min(kLimit, value * 10 + (text[i].unicode() - '0'));
  return negative ? -value : value;
}

std::unique_ptr<QSettings> openSettings(const QString& file) {
  if (file.isEmpty())
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QCoreApplication::organizationName(),
                                       QCoreApplication::applicationName());
  return std::make_unique<QSettings>(file, QSettings::IniFormat);
}

DeviceSettings loadDeviceSettings(QSettings& settings) {
  DeviceSettings values;
  if (!settingsAvailable(settings)) return values;
  values.available = true;
  settings.beginGroup(kGroup);
  values.comPort = readComPort(settings);
  values.deviceType = readDeviceType(settings);
  values.versionItem = readVersionItem(settings);
  values.deviceVersion = kVersionItems[values.versionItem].version;
  for (int port = 1; port <= kComPortCount; ++port)
    values.portDevices[port - 1] = settings.value(portDeviceKey(port)).toString();
  values.hartIpKeyFile = settings.value(kHartIpKeyFileKey).toString();
  settings.endGroup();
  settings.sync();
  return values;
}

void saveDeviceSettings(QSettings& settings, const DeviceSettings& values) {
  if (!values.available) return;
  settings.beginGroup(kGroup);
  settings.setValue(kComPortKey, QString::number(values.comPort));
  settings.setValue(kDeviceTypeKey, values.deviceType);
  settings.setValue(kDeviceVersionKey, values.deviceVersion);
  for (int port = 1; port <= kComPortCount; ++port) {
    const QString& device = values.portDevices[port - 1];
    if (device.isEmpty())
      settings.remove(portDeviceKey(port));
    else
      settings.setValue(portDeviceKey(port), device);
  }
  if (values.hartIpKeyFile.isEmpty())
    settings.remove(kHartIpKeyFileKey);
  else
    settings.setValue(kHartIpKeyFileKey, values.hartIpKeyFile);
  settings.endGroup();
  settings.sync();
}

QStringList listSerialDevices(const QString& devRoot) {
  QStringList devices;
  const QDir byId(devRoot + "/serial/by-id");
  for (const QString& name : byId.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
    devices.append(byId.filePath(name));
  const QDir dev(devRoot);
  for (const char* pattern : {"ttyUSB*", "ttyACM*", "ttyS*"}) {
    QStringList names = dev.entryList({pattern}, QDir::System | QDir::Files, QDir::Name);
    // ttyS10 after ttyS9.
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
      return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    for (const QString& name : names) devices.append(dev.filePath(name));
  }
  return devices;
}

}  // namespace velk
