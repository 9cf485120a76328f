#pragma once
// Building blocks the service pages' widgets share: narrow number fields,
// captioned buttons, and the long transfers with their "Cancel".

#include <QString>
#include <functional>
#include <memory>

#include "service/transfer.h"

class QLineEdit;
class QPushButton;
class QWidget;

namespace velk {

struct PageContext;

QLineEdit* createServiceEdit(const QString& name, int width, bool readOnly = false);
QPushButton* createServiceButton(const QString& name, const QString& caption);

// A click posts the transfer `make` gives as a job of the page that runs a
// step per turn; a click while it waits or runs is dropped.
void postTransferOnClick(QPushButton* button, const PageContext& context, const QString& key,
                         std::shared_ptr<TransferCancel> cancel, std::function<TransferSteps()> make);

// "Cancel" for the page's transfers: usable only while the page is busy,
// so it must sit outside the widget the page locks.
QPushButton* createCancelButton(const QString& name, const PageContext& context,
                                std::shared_ptr<TransferCancel> cancel);

}  // namespace velk
