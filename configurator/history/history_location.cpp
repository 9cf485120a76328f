#include "history/history_location.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "model/program_paths.h"

namespace velk {

namespace {

HistoryLocationChoice refuse(const QString& why) {
  return {{}, QString("%1: %2").arg(kHistoryVariable, why)};
}

HistoryLocationChoice sharedLocation(const QString& text) {
  const QUrl url(text, QUrl::StrictMode);
  if (!url.isValid()) return refuse("not an address: " + url.errorString());
  if (!url.password().isEmpty())
    return refuse("no password in the address (the server's password goes into ~/.pgpass or PGPASSWORD)");
  if (url.hasQuery() || url.hasFragment()) return refuse("the address takes no options: " + text);
  SharedHistory shared;
  shared.user = url.userName();
  shared.host = url.host();
  shared.port = url.port(5432);
  shared.database = url.path().mid(1);
  if (shared.user.isEmpty() || shared.host.isEmpty() || shared.database.isEmpty() ||
      shared.database.contains('/'))
    return refuse("a shared store is postgresql://USER@HOST[:PORT]/DBNAME, not " + text);
  HistoryLocation location;
  location.localFile = defaultHistoryFile();
  location.shared = shared;
  return {location, {}};
}

}  // namespace

QString SharedHistory::address() const {
  QUrl url;
  url.setScheme("postgresql");
  url.setUserName(user);
  url.setHost(host);
  url.setPort(port);
  url.setPath("/" + database);
  return url.toString();
}

QString HistoryLocation::describe() const { return shared ? shared->address() : localFile; }

HistoryLocationChoice historyLocationFrom(const QString& text) {
  if (text.startsWith("postgresql://") || text.startsWith("postgres://")) return sharedLocation(text);
  if (text.contains("://")) return refuse("a file path or postgresql://USER@HOST[:PORT]/DBNAME, not " + text);
  HistoryLocation location;
  location.localFile = text.isEmpty() ? defaultHistoryFile() : QFileInfo(text).absoluteFilePath();
  return {location, {}};
}

HistoryLocationChoice configuredHistoryLocation() {
  HistoryLocationChoice choice = historyLocationFrom(qEnvironmentVariable(kHistoryVariable));
  choice.location.demoConfiguration = installedDemoConfiguration();
  return choice;
}

QString defaultHistoryFile() { return ProgramPaths::standard().programFolder + "/history.sqlite"; }

QString installedDemoConfiguration() {
  return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                         "/../share/velk-configurator/linear-actuator-demo.txt");
}

}  // namespace velk
