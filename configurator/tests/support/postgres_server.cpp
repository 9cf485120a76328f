#include "support/postgres_server.h"

#include "support/child_process.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include <QCollator>
#include <QFileInfo>
#include <QDir>
#include <QProcessEnvironment>
#include <QSqlDatabase>

namespace velk {

namespace {

// The newest PostgreSQL's programs: Debian keeps them off the PATH.
QString postgresBin() {
  QStringList versions = QDir("/usr/lib/postgresql").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  QCollator numeric;
  numeric.setNumericMode(true);
  std::sort(versions.begin(), versions.end(), [&](const QString& a, const QString& b) { return numeric(b, a); });
  for (const QString& version : versions) {
    const QString bin = "/usr/lib/postgresql/" + version + "/bin";
    if (QFileInfo(bin + "/initdb").isExecutable() && QFileInfo(bin + "/pg_ctl").isExecutable()) return bin;
  }
  return {};
}

// A loopback port no one listens on now.
int freePort() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0)
    port = ntohs(address.sin_port);
  close(s);
  return port;
}

bool asRoot() { return geteuid() == 0; }

}  // namespace

PostgresServer::PostgresServer() : bin_(postgresBin()) {
  if (bin_.isEmpty()) {
    problem_ = "PostgreSQL is not installed (no initdb under /usr/lib/postgresql/*/bin; scripts/install-deps "
               "installs it): skipped";
    return;
  }
  if (!QSqlDatabase::isDriverAvailable("QPSQL")) {
    problem_ = "Qt's PostgreSQL driver is not installed (libqt6sql6-psql; scripts/install-deps installs it): "
               "skipped";
    return;
  }
  installed_ = true;
  if (!folder_.isValid()) {
    problem_ = "no temporary folder: " + folder_.errorString();
    return;
  }
  QDir(folder_.path()).mkpath("sock");
  if (asRoot()) {
    const passwd* nobody = getpwnam("nobody");
    if (!nobody) {
      problem_ = "running as root, and there is no user nobody to run PostgreSQL as";
      return;
    }
    for (const QString& path : {folder_.path(), folder_.filePath("sock")})
      if (chown(path.toLocal8Bit().constData(), nobody->pw_uid, nobody->pw_gid) != 0) {
        problem_ = "could not hand " + path + " to nobody";
        return;
      }
  }
  port_ = freePort();
  if (!run("initdb", {"-D", folder_.filePath("data"), "-U", "velk", "--auth=trust", "-E", "UTF8", "--no-sync"}))
    return;
  if (!start()) return;
  run("createdb", {"-h", "127.0.0.1", "-p", QString::number(port_), "-U", "velk", "history"});
}

PostgresServer::~PostgresServer() {
  if (running_) run("pg_ctl", {"-D", folder_.filePath("data"), "-m", "immediate", "-w", "stop"});
}

bool PostgresServer::run(const QString& tool, const QStringList& arguments, int timeoutMs) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("HOME", folder_.path());
  environment.insert("LC_ALL", "C");
  for (const char* name : {"PGHOST", "PGPORT", "PGUSER", "PGDATABASE", "PGDATA"}) environment.remove(name);
  const QString program = bin_ + "/" + tool;
  ChildProcess process;
  const bool started =
      asRoot() ? process.start("setpriv",
                               QStringList{"--reuid=nobody", "--regid=nogroup", "--clear-groups", "--", program} +
                                   arguments,
                               environment.toStringList(), folder_.path())
               : process.start(program, arguments, environment.toStringList(), folder_.path());
  if (!started || !process.waitForExit(timeoutMs) || !process.exitedWith(0)) {
    problem_ = tool + " failed: " +
               QString::fromStdString(started ? process.endText() : process.problem()).trimmed();
    return false;
  }
  return true;
}

bool PostgresServer::start() {
  const QString options =
      QString("-h 127.0.0.1 -p %1 -k %2 -F -c log_min_messages=fatal").arg(port_).arg(folder_.filePath("sock"));
  running_ = run("pg_ctl", {"-D", folder_.filePath("data"), "-l", folder_.filePath("server.log"), "-o", options,
                            "-w", "-t", "60", "start"},
                 90000);
  if (running_) problem_.clear();
  return running_;
}

bool PostgresServer::stop() {
  if (!run("pg_ctl", {"-D", folder_.filePath("data"), "-m", "fast", "-w", "-t", "60", "stop"}, 90000)) return false;
  running_ = false;
  return true;
}

SharedHistory PostgresServer::address() const { return {"velk", "127.0.0.1", port_, "history"}; }

}  // namespace velk
