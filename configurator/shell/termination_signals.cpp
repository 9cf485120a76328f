#include "shell/termination_signals.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <csignal>

namespace velk {

namespace {

// A signal handler may only write to a file descriptor; the event loop reads
// the other end and closes the window on the GUI thread.
int signalPipe[2] = {-1, -1};

void onSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
}

}  // namespace

void closeWindowsOnTerminationSignals() {
  if (signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, qApp);
  QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
    char byte;
    [[maybe_unused]] const ssize_t read = ::read(signalPipe[1], &byte, 1);
    QApplication::closeAllWindows();
  });
  struct sigaction action = {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

}  // namespace velk
