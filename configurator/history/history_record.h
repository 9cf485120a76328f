#pragma once
// One entry of the device history: what was done to which device, when, by
// whom, and what it left behind (a configuration file's text, the uploaded
// values as shown). Records are made after the work ends and never change.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <optional>

#include "model/history_kind.h"

namespace velk {

class FormState;
struct WindowState;

// "read", "send", ..., "eventlog": the name stored and typed on the command line.
QString historyKindName(HistoryKind kind);
std::optional<HistoryKind> historyKindFromName(const QString& name);
// Read, send and save: the payload is a configuration file the window opens.
bool isConfigurationKind(HistoryKind kind);

// The device as last read when the record was made.
struct HistoryDevice {
  QString model;            // "Q5" or "Q50"
  int softwareVersion = 0;  // the software version setting, times ten (86 to 101)
  qint64 deviceId = 0;      // 24 bits
  QString longAddress;      // the 5-byte unique address in hexadecimal; empty when not known
  QString tag;
  QString descriptor;
  bool operator==(const HistoryDevice&) const = default;
};

// The model's name for a device type code (97 "Q5", 607 "Q50").
QString deviceModelName(int deviceType);
// The connected device as the window shows it (the READ page's identity and
// the model and version settings).
HistoryDevice historyDevice(const FormState& form, const WindowState& window);

struct HistoryRecord {
  QUuid id;
  QDateTime time;  // UTC, to the millisecond
  HistoryKind kind = HistoryKind::Read;
  QString name;  // the name a technician gave a saved configuration; else empty
  HistoryDevice device;
  QString user;  // login name
  QString host;
  QByteArray payload;  // lists of records leave it empty
  QStringList keysSent;
  QStringList keysFailed;
  bool operator==(const HistoryRecord&) const = default;
};

// The account the program runs as: who made a record, or a report.
QString loginName();

// A record made now, here, by this user, with a new id.
HistoryRecord newHistoryRecord(HistoryKind kind, const HistoryDevice& device, const QByteArray& payload);

// The id as stored and printed: 36 lower-case characters, no braces.
QString historyIdText(const QUuid& id);

// What lists ask for; every part left empty matches all.
struct HistoryFilter {
  std::optional<qint64> deviceId;
  QString tag;
  QList<HistoryKind> kinds;
  QDateTime since;  // inclusive
  QDateTime until;  // exclusive
};

}  // namespace velk
