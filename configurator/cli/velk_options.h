#pragma once
// The command line of `velk`: `velk [OPTIONS] COMMAND [ARGS]`, the options
// before or after the command.

#include <QString>
#include <QStringList>
#include <optional>

namespace velk::cli {

// Exit codes.
inline constexpr int kSuccess = 0;
inline constexpr int kFailed = 1;        // a command failed, a value did not stick, or something differs
inline constexpr int kUsage = 2;         // the command line is wrong
inline constexpr int kRefused = 3;       // a question needed an answer and no one can give it
inline constexpr int kNoPositioner = 4;  // the port cannot be opened or no positioner (raw: no device)

struct Options {
  QString command;                   // doctor, ports, scan, read, diff, send, monitor, raw, history, report
  QStringList args;                  // what follows the command
  std::optional<int> comPort;        // --port N
  QString portPath;                  // --port PATH
  std::optional<int> deviceType;     // --model
  std::optional<int> deviceVersion;  // --version
  int first = 0;                     // --from
  int last = 15;                     // --to
  QString output;                    // read -o FILE
  bool yes = false;                  // send --yes
  bool dryRun = false;               // send --dry-run
  bool all = false;                  // send --all
  int address = 0;                   // raw --address
  bool probe = false;                // doctor --probe
  std::optional<double> seconds;     // monitor --seconds
  QString csv;                       // monitor --csv FILE
  std::optional<qint64> deviceId;    // history list, report --device ID
  QString tag;                       // history list --tag TAG
  QString kind;                      // history list --kind KIND
  QString since;                     // history list --since DATE
  bool help = false;
};

struct Parsed {
  Options options;
  QString error;  // empty when the command line is good
};

Parsed parseCommandLine(const QStringList& arguments);

// `velk --help`, or the help of one command.
QString usage(const QString& command = {});

}  // namespace velk::cli
