#pragma once
// Building blocks the service pages' widgets share: narrow number fields,
// captioned buttons, and the long transfers' "Cancel".

#include <QString>
#include <memory>

#include "service/transfer.h"

class QLineEdit;
class QPushButton;
class QWidget;

namespace velk {

struct PageContext;

QLineEdit* createServiceEdit(const QString& name, int width, bool readOnly = false);
QPushButton* createServiceButton(const QString& name, const QString& caption);

// "Cancel" for the page's transfers: usable only while the page is busy,
// so it must sit outside the widget the page locks.
QPushButton* createCancelButton(const QString& name, const PageContext& context,
                                std::shared_ptr<TransferCancel> cancel);

}  // namespace velk
