#pragma once
// Work handed to the thread a receiver lives in (the GUI thread), from any
// thread, run there in the order it was posted, across every receiver of that
// thread.
//
// Why not Qt's queued calls: they make the event on the posting thread and
// free it on the receiving one, handed over under Qt's own locks, which the
// thread sanitizer cannot see, so every hand-over reads as a race and hiding
// them hides real ones. Here the work passes under a std::mutex it does see,
// and an eventfd wakes the receiving thread's event loop.
//
//   ThreadMailbox& mailbox = ThreadMailbox::of(this);   // in the constructor
//   mailbox.post(this, [this] { deliverChanges(); });    // from any thread

#include <QObject>
#include <QPointer>
#include <deque>
#include <functional>
#include <mutex>
#include <unordered_set>

class QSocketNotifier;

namespace velk {

class ThreadMailbox : public QObject {
  Q_OBJECT

 public:
  // The mailbox of the calling thread, which `receiver` lives in; made there
  // on first use. Work posted for `receiver` after it is destroyed is dropped.
  static ThreadMailbox& of(QObject* receiver);

  // From any thread, while `receiver` lives.
  void post(const QObject* receiver, std::function<void()> work);

  ~ThreadMailbox() override;

 private:
  ThreadMailbox();
  void listen();
  void wake();
  void deliver();

  struct Letter {
    const QObject* receiver;
    std::function<void()> work;
  };
  std::mutex mutex_;
  std::deque<Letter> letters_;
  bool woken_ = false;
  std::unordered_set<const QObject*> receivers_;  // the thread's own only
  int wakeFd_ = -1;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace velk
