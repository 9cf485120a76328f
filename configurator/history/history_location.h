#pragma once
// Where the device history lives. VELK_HISTORY chooses it for the window and
// `velk`: a file path (an SQLite store), or a plant's shared PostgreSQL store
// as postgresql://USER@HOST[:PORT]/DBNAME. The password, where the server
// asks for one, comes from ~/.pgpass or PGPASSWORD, never from the address.
// Unset: one SQLite file in the program's data folder.

#include <QString>
#include <optional>

namespace velk {

inline constexpr const char* kHistoryVariable = "VELK_HISTORY";
// The name the demo configuration carries in an empty history.
inline constexpr const char* kDemoConfigurationName = "Linear actuator demo";

struct SharedHistory {
  QString user;
  QString host;
  int port = 5432;
  QString database;
  QString address() const;  // postgresql://USER@HOST:PORT/DBNAME
  bool operator==(const SharedHistory&) const = default;
};

struct HistoryLocation {
  // The SQLite store; with a shared store, where records wait while it
  // cannot be reached.
  QString localFile;
  std::optional<SharedHistory> shared;
  // The configuration a newly made store starts with; empty: none.
  QString demoConfiguration;

  // What to tell a technician: the file, or the shared store's address.
  QString describe() const;
};

struct HistoryLocationChoice {
  HistoryLocation location;
  QString error;  // the text is neither a file path nor a PostgreSQL address
};
// `text` as VELK_HISTORY holds it; empty: the default file.
HistoryLocationChoice historyLocationFrom(const QString& text);
// VELK_HISTORY's choice, with the installed demo configuration.
HistoryLocationChoice configuredHistoryLocation();

QString defaultHistoryFile();
// The demo configuration installed beside the program (share/velk-configurator/).
QString installedDemoConfiguration();

}  // namespace velk
