// velk: the configurator's jobs from the command line.

#include <unistd.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "cli/velk_commands.h"

namespace {

// A report's PDF needs Qt GUI's fonts and painting, not a display: only
// `report` makes a QGuiApplication, on the offscreen platform unless one is
// named, so that it runs the same over ssh, in cron and at a desk.
std::unique_ptr<QCoreApplication> application(int& argc, char* argv[]) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  if (velk::cli::parseCommandLine(arguments).options.command != "report")
    return std::make_unique<QCoreApplication>(argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::unique_ptr<QCoreApplication> application_ = application(argc, argv);
  QCoreApplication& app = *application_;
  // The same names as the window's, so that its settings are read.
  QCoreApplication::setOrganizationName("Velk");
  QCoreApplication::setApplicationName("Velk Configuration and Diagnostics Program");

  QTextStream out(stdout);
  QTextStream err(stderr);
  const velk::cli::Parsed parsed = velk::cli::parseCommandLine(app.arguments().mid(1));
  if (parsed.options.help) {
    out << velk::cli::usage(parsed.options.command);
    return velk::cli::kSuccess;
  }
  if (!parsed.error.isEmpty()) {
    err << "velk: " << parsed.error << "\n\n" << velk::cli::usage();
    return velk::cli::kUsage;
  }
  velk::cli::Console console{out, err, isatty(STDIN_FILENO) != 0, [&err](const QString& question) {
                               err << question << " [y/N] ";
                               err.flush();
                               QTextStream in(stdin);
                               const QString answer = in.readLine().trimmed().toLower();
                               return answer == "y" || answer == "yes";
                             }};
  const int code = velk::cli::runCommand(parsed.options, console);
  out.flush();
  // What was printed is the result (a configuration, a list of devices): a
  // standard output that did not take it all is a failure.
  if (out.status() != QTextStream::Ok || std::fflush(stdout) != 0 || std::ferror(stdout)) {
    err << "velk: could not write standard output: " << std::strerror(errno) << "\n";
    err.flush();
    return velk::cli::kFailed;
  }
  err.flush();
  return code;
}
