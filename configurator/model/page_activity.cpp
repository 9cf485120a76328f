#include "model/page_activity.h"


namespace velk {

PageActivity::PageActivity(QObject* parent) : QObject(parent), mailbox_(ThreadMailbox::of(this)) {}

void PageActivity::begin(const QString& page) {
  if (page.isEmpty()) return;
  bool first = false;
  {
    std::lock_guard lock(mutex_);
    first = ++running_[page] == 1;
  }
  if (first) announce(page);
}

void PageActivity::end(const QString& page) {
  if (page.isEmpty()) return;
  bool last = false;
  {
    std::lock_guard lock(mutex_);
    const auto entry = running_.find(page);
    if (entry == running_.end()) return;
    last = --entry.value() == 0;
    if (last) running_.erase(entry);
  }
  if (last) announce(page);
}

bool PageActivity::busy(const QString& page) const {
  std::lock_guard lock(mutex_);
  return running_.contains(page);
}

void PageActivity::announce(const QString& page) {
  mailbox_.post(this, [this, page] { Q_EMIT changed(page); });
}

}  // namespace velk
