#include "ui/page_busy.h"

#include <QWidget>

#include "comm/configurator.h"
#include "model/page_activity.h"
#include "ui/page_context.h"

namespace velk {

PageBusyLock::PageBusyLock(PageActivity& activity, QString page, QWidget* inputs)
    : QObject(inputs), activity_(activity), page_(std::move(page)), inputs_(inputs) {
  connect(&activity_, &PageActivity::changed, this, [this](const QString& page) {
    if (page == page_) follow();
  });
  follow();
}

bool PageBusyLock::busy() const { return activity_.busy(page_); }

void PageBusyLock::follow() {
  if (inputs_) inputs_->setEnabled(!busy());
}

PageBusyLock* lockWhileBusy(QWidget* inputs, const PageContext& context) {
  return new PageBusyLock(context.core.activity, context.page, inputs);
}

}  // namespace velk
