#include "cli/velk_options.h"

#include <QMap>

#include "cli/velk_history.h"
#include "cli/velk_report.h"
#include "model/window_state.h"

namespace velk::cli {

namespace {

const QMap<QString, QString>& commandHelp() {
  static const QMap<QString, QString> help = {
      {"doctor",
       "velk doctor [--port N|PATH] [--probe]\n"
       "  Checks everything between the program and the modem, and says what to do:\n"
       "  the serial devices and which COM number opens which, whether you may open\n"
       "  the port, whether another program holds it, the adapter's latency timer,\n"
       "  and whether it opens at 1200 baud 8O1. --probe also asks polling addresses\n"
       "  0 to 15 (or --from A --to B) for a HART device. Changes nothing.\n"
       "  Exit 0 when it finds no problem.\n"},
      {"ports", "velk ports\n  The serial devices of this machine and which COM number opens which.\n"},
      {"scan",
       "velk scan [--port N|PATH] [--from A --to B]\n"
       "  Asks polling addresses 0 to 15 (or A to B) who answers and prints every\n"
       "  HART device found: polling address, manufacturer and device type codes,\n"
       "  device ID, revisions, tag, and whether it is a Q5/Q50 positioner this\n"
       "  program configures. Exit 0 when one is; 4 when none is, saying what\n"
       "  answered instead.\n"},
      {"read",
       "velk read [-o FILE]\n"
       "  Reads every page from the positioner into a configuration file (standard\n"
       "  output without -o), in the format the window saves. When a command\n"
       "  fails, nothing is written (an existing FILE stays as it was), the failed\n"
       "  commands are listed and the exit is 1.\n"},
      {"diff",
       "velk diff FILE\n"
       "  Reads the positioner and prints, one line per key, what differs between\n"
       "  FILE and the device, for what Send All writes. Exit 0 when nothing differs\n"
       "  and every command succeeded.\n"},
      {"send",
       "velk send FILE [--yes] [--dry-run] [--all]\n"
       "  Loads FILE, prints what differs from the device, asks, sends the pages\n"
       "  whose settings differ (in Send All's order) and reads back to check.\n"
       "  The device is taken out of service only when one of those pages needs it\n"
       "  (SETUP, CHARACTERISTICS), and put back in service afterwards. Nothing is\n"
       "  sent when the device could not be read whole. --all sends every page, as\n"
       "  Send All does. --dry-run prints what would change and sends nothing.\n"
       "  Exit 0 when every difference stuck and no command failed.\n"},
      {"monitor",
       "velk monitor [--seconds N] [--csv FILE]\n"
       "  Burst monitoring: one CSV line per sample, time_s,setpoint,position,\n"
       "  temperature,pressure. Ctrl-C switches burst mode off before it ends.\n"
       "  --csv also writes the lines to FILE, put in place whole when monitoring\n"
       "  ends; a write that fails ends monitoring with exit 1.\n"},
      {"raw",
       "velk raw CMD [BYTE ...] [--address N]\n"
       "  Sends one command (bytes in decimal or 0x hex) to whatever HART device\n"
       "  answers at polling address N (default 0), positioner or not, and prints\n"
       "  the response code, the status and the reply bytes the link's 50-byte\n"
       "  data field holds, saying so when the reply was longer.\n"},
      {"history", historyHelp()},
      {"report", reportHelp()},
  };
  return help;
}

// One line each for the list of commands.
const QMap<QString, QString>& commandSummary() {
  static const QMap<QString, QString> summary = {
      {"doctor", "check the way to the modem"},
      {"ports", "serial devices and COM numbers"},
      {"scan", "who answers on the loop"},
      {"read", "Read All into a configuration file"},
      {"diff", "compare a file with the device"},
      {"send", "send what differs from a file, checked"},
      {"monitor", "burst samples as CSV"},
      {"raw", "one HART command"},
      {"history", "the device history: list, show, diff, delete, sync, export"},
      {"report", "as-found/as-left report of a device as PDF"},
  };
  return summary;
}

std::optional<int> number(const QString& text) {
  bool ok = false;
  const int value = text.toInt(&ok, 0);
  return ok ? std::optional<int>(value) : std::nullopt;
}

}  // namespace

QString usage(const QString& command) {
  if (commandHelp().contains(command)) return commandHelp()[command];
  QString text =
      "usage: velk [OPTIONS] COMMAND [ARGS]\n"
      "\n"
      "The configurator's jobs from the command line, against a Q5 or Q50 positioner.\n"
      "\n"
      "Commands:\n";
  for (auto it = commandHelp().begin(); it != commandHelp().end(); ++it)
    text += "  " + it.value().section('\n', 0, 0).leftJustified(46) + commandSummary()[it.key()] + "\n";
  text +=
      "\n"
      "Options (before or after the command):\n"
      "  --port N|PATH      COM port N (MIRELL_COM<N>, else /dev/ttyS<N-1>) or a device path,\n"
      "                     or a HART-IP address: hart-ip://HOST[:PORT] (UDP) or\n"
      "                     hart-ip+tcp://HOST[:PORT], port 5094 unless given, or a\n"
      "                     secure one: hart-ip+tls://HOST[:PORT] (TLS) or\n"
      "                     hart-ip+dtls://HOST[:PORT] (DTLS), with the key file that\n"
      "                     MIRELL_HARTIP_PSK_FILE names (else the window's);\n"
      "                     default: the port the window last used\n"
      "  --model q5|q50     device type; default: the window's setting\n"
      "  --version V        software version 8.6, 9.0, 9.1, 10.0 or 10.1; default: the window's\n"
      "  --from A --to B    polling addresses to search, default 0 to 15\n"
      "  --help             this text, or with a command, its help\n"
      "\n"
      "Environment:\n"
      "  VELK_HISTORY       where the device history is kept: a file path (SQLite) or a\n"
      "                     plant's shared store, postgresql://USER@HOST[:PORT]/DBNAME\n"
      "                     (the password, if asked for, from ~/.pgpass or PGPASSWORD);\n"
      "                     default: history.sqlite in the program's data folder\n"
      "\n"
      "Exit codes:\n"
      "  0  success (diff and send --dry-run: nothing differs)\n"
      "  1  a command failed, a value did not stick, or (diff, --dry-run) something differs\n"
      "  2  usage error, or no record of the history has the id given\n"
      "  3  a question needed an answer and standard input is not a terminal (use --yes)\n"
      "  4  the port cannot be opened or no positioner was found (raw: no device)\n"
      "\n"
      "The commands in detail:\n";
  for (const QString& help : commandHelp()) text += "\n" + help;
  return text;
}

Parsed parseCommandLine(const QStringList& arguments) {
  Parsed parsed;
  Options& o = parsed.options;
  auto fail = [&parsed](const QString& error) {
    parsed.error = error;
    return parsed;
  };
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    auto value = [&](QString& into) {
      if (i + 1 >= arguments.size()) return false;
      into = arguments[++i];
      return true;
    };
    QString v;
    if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (a == "--yes" || a == "-y") {
      o.yes = true;
    } else if (a == "--dry-run") {
      o.dryRun = true;
    } else if (a == "--all") {
      o.all = true;
    } else if (a == "--probe") {
      o.probe = true;
    } else if (a == "--port") {
      if (!value(v)) return fail("--port needs a COM number, a device path or a HART-IP address");
      if (const auto port = number(v); port && !v.contains('/')) {
        if (*port < 1 || *port > kComPortCount) return fail("--port: COM ports are 1 to 8");
        o.comPort = *port;
      } else {
        o.portPath = v;
      }
    } else if (a == "--model") {
      if (!value(v)) return fail("--model needs q5 or q50");
      if (v.toLower() == "q5")
        o.deviceType = kDeviceTypeQ5;
      else if (v.toLower() == "q50")
        o.deviceType = kDeviceTypeQ50;
      else
        return fail("--model: q5 or q50");
    } else if (a == "--version") {
      if (!value(v)) return fail("--version needs 8.6, 9.0, 9.1, 10.0 or 10.1");
      static const QMap<QString, int> versions = {
          {"8.6", 86}, {"9.0", 90}, {"9.1", 91}, {"10.0", 100}, {"10.1", 101}};
      if (!versions.contains(v)) return fail("--version: 8.6, 9.0, 9.1, 10.0 or 10.1");
      o.deviceVersion = versions[v];
    } else if (a == "--address") {
      if (!value(v)) return fail("--address needs a polling address");
      const auto address = number(v);
      if (!address || *address < 0 || *address > 15) return fail("--address: polling addresses are 0 to 15");
      o.address = *address;
    } else if (a == "--from" || a == "--to") {
      if (!value(v)) return fail(a + " needs a polling address");
      const auto address = number(v);
      if (!address || *address < 0 || *address > 15) return fail(a + ": polling addresses are 0 to 15");
      (a == "--from" ? o.first : o.last) = *address;
    } else if (a == "-o" || a == "--output") {
      if (!value(o.output)) return fail("-o needs a file name");
    } else if (a == "--seconds") {
      if (!value(v)) return fail("--seconds needs a number");
      bool ok = false;
      const double seconds = v.toDouble(&ok);
      if (!ok || seconds <= 0) return fail("--seconds: a positive number");
      o.seconds = seconds;
    } else if (a == "--csv") {
      if (!value(o.csv)) return fail("--csv needs a file name");
    } else if (a == "--device") {
      if (!value(v)) return fail("--device needs a device ID");
      bool ok = false;
      const qint64 id = v.toLongLong(&ok, 0);
      if (!ok || id < 0 || id > 0xFFFFFF) return fail("--device: a device ID is 0 to 16777215");
      o.deviceId = id;
    } else if (a == "--tag") {
      if (!value(o.tag)) return fail("--tag needs a tag");
    } else if (a == "--kind") {
      if (!value(o.kind)) return fail("--kind needs a kind");
    } else if (a == "--since") {
      if (!value(o.since)) return fail("--since needs a date");
    } else if (a.startsWith("-") && a.size() > 1 && !number(a)) {
      return fail("unknown option " + a);
    } else if (o.command.isEmpty()) {
      o.command = a;
    } else {
      o.args.append(a);
    }
  }
  if (o.help) return parsed;
  if (o.command.isEmpty()) return fail("no command");
  if (!commandHelp().contains(o.command)) return fail("unknown command " + o.command);
  if (o.command == "history") {
    const QString error = historyCommandLineError(o);
    return error.isEmpty() ? parsed : fail(error);
  }
  if (o.command == "report") {
    const QString error = reportCommandLineError(o);
    return error.isEmpty() ? parsed : fail(error);
  }
  const qsizetype wanted = (o.command == "diff" || o.command == "send") ? 1 : o.command == "raw" ? -1 : 0;
  if (wanted >= 0 && o.args.size() != wanted)
    return fail(QString("%1 takes %2").arg(o.command, wanted == 1 ? "one file" : "no arguments"));
  if (o.command == "raw" && o.args.isEmpty()) return fail("raw needs a command number");
  return parsed;
}

}  // namespace velk::cli
