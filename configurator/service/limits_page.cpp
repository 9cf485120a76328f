#include "service/limits_page.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "comm/configurator.h"
#include "service/limits_operations.h"
#include "service/service_widgets.h"
#include "ui/form_binder.h"
#include "ui/page_busy.h"
#include "ui/page_context.h"
#include "ui/page_widgets.h"

namespace velk {

namespace {

constexpr int kColumns = 3;
constexpr int kFieldWidth = 80;

QGroupBox* createLimitsGroup() {
  auto* group = new QGroupBox("Symptom limits");
  auto* grid = new QGridLayout(group);
  const int perColumn = (kLimitFieldCount + kColumns - 1) / kColumns;
  for (int i = 0; i < kLimitFieldCount; ++i) {
    const LimitField& field = kLimitFields[i];
    const int row = i % perColumn;
    const int column = 3 * (i / perColumn);
    auto* number = new QLabel(QString::number(field.number));
    number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(number, row, column);
    grid->addWidget(createServiceEdit(field.control, kFieldWidth), row, column + 1);
    grid->addWidget(new QLabel(field.caption), row, column + 2);
  }
  return group;
}

}  // namespace

QWidget* createLimitsPage(PageContext& context) {
  auto* content = new QWidget;
  auto* layout = new QVBoxLayout(content);
  layout->addWidget(createLimitsGroup());
  layout->addWidget(new QLabel("Number before entry is index (not entry count)."));
  layout->addWidget(new QLabel("Total entries are 68."));
  auto* buttons = new QHBoxLayout;
  auto* download = createPageButton("Button42", "Download");
  auto* defaults = createPageButton("Button43", "Set defaults");
  buttons->addWidget(download);
  buttons->addWidget(defaults);
  buttons->addWidget(new QLabel("Message :"));
  buttons->addWidget(createServiceEdit(kLimitsMessage, 260, true));
  buttons->addStretch();
  layout->addLayout(buttons);
  layout->addStretch();

  // The table is wider than the window: it scrolls.
  auto* page = new QScrollArea;
  page->setWidget(content);
  page->setWidgetResizable(true);

  context.binder.bindNamedChildren(content);
  postOnClick(download, context, "limits download", &downloadLimits);
  auto* lock = lockWhileBusy(content, context);
  Configurator& core = context.core;
  QObject::connect(defaults, &QPushButton::clicked, defaults,
                   lock->whenIdle([&core] { setLimitDefaults(core.form, core.window); }));
  return page;
}

}  // namespace velk
