#pragma once
// Waiting, with a bound, for what the command thread does: the window's
// events are handled meanwhile, so the changes it queues for the GUI thread
// (form notifications, control states) arrive while the test waits.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <functional>

namespace velk {

// Handles events until `done` holds or `limitMs` has passed, then once more;
// returns whether `done` holds.
inline bool waitUntil(const std::function<bool()>& done, int limitMs = 20000) {
  auto handleEvents = [] {
    // Store notifications, then the handlers they queue in turn.
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  };
  const QDeadlineTimer deadline(limitMs);
  while (!done() && !deadline.hasExpired()) {
    handleEvents();
    QThread::msleep(1);
  }
  handleEvents();
  return done();
}

}  // namespace velk
