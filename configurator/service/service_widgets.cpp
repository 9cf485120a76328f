#include "service/service_widgets.h"

#include <QLineEdit>
#include <QPushButton>

#include "comm/configurator.h"
#include "model/page_activity.h"
#include "ui/page_context.h"

namespace velk {

QLineEdit* createServiceEdit(const QString& name, int width, bool readOnly) {
  auto* edit = new QLineEdit;
  edit->setObjectName(name);
  edit->setFixedWidth(width);
  edit->setReadOnly(readOnly);
  return edit;
}

QPushButton* createServiceButton(const QString& name, const QString& caption) {
  auto* button = new QPushButton(caption);
  button->setObjectName(name);
  return button;
}

QPushButton* createCancelButton(const QString& name, const PageContext& context,
                                std::shared_ptr<TransferCancel> cancel) {
  auto* button = createServiceButton(name, "Cancel");
  PageActivity& activity = context.core.activity;
  button->setEnabled(activity.busy(context.page));
  QObject::connect(&activity, &PageActivity::changed, button,
                   [button, &activity, page = context.page](const QString& changed) {
                     if (changed == page) button->setEnabled(activity.busy(page));
                   });
  QObject::connect(button, &QPushButton::clicked, button, [cancel] { cancel->request(); });
  return button;
}

}  // namespace velk
