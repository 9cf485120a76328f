#include "history/history_record.h"

#include <pwd.h>
#include <unistd.h>

#include <QSysInfo>

#include "model/form_state.h"
#include "model/window_state.h"

namespace velk {

namespace {

struct KindName {
  HistoryKind kind;
  const char* name;
};
constexpr KindName kKindNames[] = {
    {HistoryKind::Read, "read"},           {HistoryKind::Send, "send"},
    {HistoryKind::Save, "save"},           {HistoryKind::Signature, "signature"},
    {HistoryKind::Trend, "trend"},         {HistoryKind::Alarms, "alarms"},
    {HistoryKind::EventLog, "eventlog"},   {HistoryKind::Calibration, "calibration"},
};

}  // namespace

QString historyKindName(HistoryKind kind) {
  for (const KindName& k : kKindNames)
    if (k.kind == kind) return k.name;
  return {};
}

std::optional<HistoryKind> historyKindFromName(const QString& name) {
  for (const KindName& k : kKindNames)
    if (name == QLatin1String(k.name)) return k.kind;
  return std::nullopt;
}

bool isConfigurationKind(HistoryKind kind) {
  return kind == HistoryKind::Read || kind == HistoryKind::Send || kind == HistoryKind::Save;
}

QString deviceModelName(int deviceType) {
  if (deviceType == kDeviceTypeQ5) return "Q5";
  if (deviceType == kDeviceTypeQ50) return "Q50";
  return QString::number(deviceType);
}

HistoryDevice historyDevice(const FormState& form, const WindowState& window) {
  HistoryDevice device;
  device.model = deviceModelName(window.DeviceType.load());
  device.softwareVersion = window.DeviceVersion.load();
  // "-" until the READ page has been read.
  device.deviceId = form.text("Edit183").trimmed().toLongLong();
  device.longAddress = window.LongAddress();
  device.tag = form.text("EditTag").trimmed();
  device.descriptor = form.text("EditDescriptor").trimmed();
  return device;
}

HistoryRecord newHistoryRecord(HistoryKind kind, const HistoryDevice& device, const QByteArray& payload) {
  HistoryRecord record;
  record.id = QUuid::createUuid();
  record.time = QDateTime::currentDateTimeUtc();
  record.kind = kind;
  record.device = device;
  record.user = loginName();
  record.host = QSysInfo::machineHostName();
  record.payload = payload;
  return record;
}

QString loginName() {
  // The account the program runs as, not what a shell variable claims.
  std::string buffer(16384, '\0');
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found)
    return QString::fromLocal8Bit(found->pw_name);
  const QString fromEnvironment = qEnvironmentVariable("USER");
  return fromEnvironment.isEmpty() ? QString::number(geteuid()) : fromEnvironment;
}

QString historyIdText(const QUuid& id) { return id.toString(QUuid::WithoutBraces); }

}  // namespace velk
