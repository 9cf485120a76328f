#pragma once
// A throwaway PostgreSQL server for a test: a cluster of its own in a
// temporary folder, on 127.0.0.1 at a free port with its socket in a private
// folder, trusting the user "velk", with an empty database "history".
// PostgreSQL refuses to run as root: as root (CI), it runs as nobody.
//
//   PostgresServer server;
//   if (!server.installed()) GTEST_SKIP() << server.problem().toStdString();
//   ASSERT_TRUE(server.problem().isEmpty()) << server.problem().toStdString();

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "history/history_location.h"

namespace velk {

class PostgresServer {
 public:
  // Makes the cluster and starts the server.
  PostgresServer();
  // Stops it; the folder goes with it.
  ~PostgresServer();
  PostgresServer(const PostgresServer&) = delete;
  PostgresServer& operator=(const PostgresServer&) = delete;

  // PostgreSQL and Qt's driver for it are on this machine.
  bool installed() const { return installed_; }
  // Why the server is not running; empty while it runs.
  const QString& problem() const { return problem_; }

  bool stop();
  bool start();

  SharedHistory address() const;

 private:
  bool run(const QString& tool, const QStringList& arguments, int timeoutMs = 60000);

  QString bin_;
  QTemporaryDir folder_;
  int port_ = 0;
  bool installed_ = false;
  bool running_ = false;
  QString problem_;
};

}  // namespace velk
