#pragma once
// Which pages have an operation waiting or running on the command thread.
// While a page has one, its inputs leave the form state alone and the page
// shows that it is busy: what the operation reads or sends is what the page
// shows afterwards, not a mix of the user's edits and the device's values.
// Counted, so that two operations of one page keep it busy until both end.

#include <QHash>
#include <QObject>
#include <QString>
#include <mutex>
#include "model/thread_mailbox.h"

namespace velk {

class PageActivity : public QObject {
  Q_OBJECT

 public:
  explicit PageActivity(QObject* parent = nullptr);

  // From any thread. An empty page name stands for no page.
  void begin(const QString& page);
  void end(const QString& page);
  bool busy(const QString& page) const;

 Q_SIGNALS:
  // On the object's own (GUI) thread, after the page became busy or idle.
  void changed(const QString& page);

 private:
  void announce(const QString& page);

  mutable std::mutex mutex_;
  ThreadMailbox& mailbox_;  // of the thread it lives in
  QHash<QString, int> running_;
};

}  // namespace velk
