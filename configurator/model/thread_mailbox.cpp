#include "model/thread_mailbox.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>
#include <cstdint>

namespace velk {

namespace {
thread_local QPointer<ThreadMailbox> threadMailbox;
}  // namespace

ThreadMailbox& ThreadMailbox::of(QObject* receiver) {
  if (!threadMailbox) {
    threadMailbox = new ThreadMailbox;
    // Gone with the application (or the thread), so a later one starts afresh.
    if (QCoreApplication* app = QCoreApplication::instance(); app && app->thread() == QThread::currentThread())
      threadMailbox->setParent(app);
    else
      QObject::connect(QThread::currentThread(), &QThread::finished, threadMailbox, &QObject::deleteLater);
  }
  ThreadMailbox& mailbox = *threadMailbox;
  mailbox.listen();
  {
    std::lock_guard lock(mailbox.mutex_);
    mailbox.receivers_.insert(receiver);
  }
  QObject::connect(receiver, &QObject::destroyed, &mailbox, [&mailbox, receiver] {
    std::lock_guard lock(mailbox.mutex_);
    mailbox.receivers_.erase(receiver);
    std::erase_if(mailbox.letters_, [receiver](const Letter& letter) { return letter.receiver == receiver; });
  });
  return mailbox;
}

ThreadMailbox::ThreadMailbox() : wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

ThreadMailbox::~ThreadMailbox() {
  delete notifier_;
  if (wakeFd_ >= 0) ::close(wakeFd_);
}

// Once the thread has an event loop to wake (a receiver may be made before
// the application object).
void ThreadMailbox::listen() {
  if (notifier_ || wakeFd_ < 0 || !QAbstractEventDispatcher::instance()) return;
  notifier_ = new QSocketNotifier(wakeFd_, QSocketNotifier::Read);
  connect(notifier_, &QSocketNotifier::activated, this, &ThreadMailbox::deliver);
  bool pending = false;
  {
    std::lock_guard lock(mutex_);
    pending = !letters_.empty();
  }
  if (pending) deliver();
}

void ThreadMailbox::post(const QObject* receiver, std::function<void()> work) {
  {
    std::lock_guard lock(mutex_);
    letters_.push_back({receiver, std::move(work)});
    if (woken_) return;
    woken_ = true;
  }
  wake();
}

void ThreadMailbox::wake() {
  const std::uint64_t one = 1;
  [[maybe_unused]] const auto written = ::write(wakeFd_, &one, sizeof one);
}

void ThreadMailbox::deliver() {
  std::uint64_t count = 0;
  [[maybe_unused]] const auto read = ::read(wakeFd_, &count, sizeof count);
  for (;;) {
    std::function<void()> work;
    bool more = false;
    {
      std::lock_guard lock(mutex_);
      while (!letters_.empty() && !receivers_.contains(letters_.front().receiver)) letters_.pop_front();
      if (letters_.empty()) {
        woken_ = false;
        return;
      }
      work = std::move(letters_.front().work);
      letters_.pop_front();
      more = !letters_.empty();
    }
    // Work may run an event loop of its own (a message box): the letters
    // after it are delivered there, in order, not after the box closes.
    if (more) wake();
    work();
  }
}

}  // namespace velk
