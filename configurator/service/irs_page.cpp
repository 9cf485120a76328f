#include "service/irs_page.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include "comm/configurator.h"
#include "service/irs_operations.h"
#include "service/service_widgets.h"
#include "ui/form_binder.h"
#include "ui/page_busy.h"
#include "ui/page_context.h"
#include "ui/page_widgets.h"

namespace velk {

namespace {

constexpr int kNumberWidth = 60;

QTableWidget* createList(const char* name) {
  auto* table = new QTableWidget(0, 2);
  table->setObjectName(name);
  table->setHorizontalHeaderLabels({"Index", "Value"});
  table->verticalHeader()->hide();
  table->horizontalHeader()->setStretchLastSection(true);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  return table;
}

QLabel* createNamedLabel(const char* name, const char* text) {
  auto* label = new QLabel(text);
  label->setObjectName(name);
  return label;
}

}  // namespace

QWidget* createIrsPage(PageContext& context) {
  auto cancel = std::make_shared<TransferCancel>();
  auto* page = new QWidget;
  auto* outer = new QGridLayout(page);
  auto* inputs = new QWidget;
  auto* grid = bareLayout<QGridLayout>(inputs);

  auto* getGroupButton = createServiceButton("Button39", "Get Group :");
  grid->addWidget(getGroupButton, 0, 0);
  grid->addWidget(createServiceEdit(kGroupNumber, kNumberWidth), 0, 1);
  grid->addWidget(createNamedLabel("Label294", "Data :"), 1, 0);
  grid->addWidget(createList(kGroupGrid), 2, 0, 1, 2);

  auto* getArrayButton = createServiceButton("Button40", "Get Array :");
  grid->addWidget(getArrayButton, 0, 2);
  grid->addWidget(createServiceEdit(kArrayNumber, kNumberWidth), 0, 3);
  grid->addWidget(createNamedLabel("Label295", "Data :"), 1, 2);
  grid->addWidget(createList(kIrsArrayGrid), 2, 2, 1, 2);

  auto* reverse = new QHBoxLayout;
  auto* reverseButton = createServiceButton("Button41", "Reverse Bytes to Float :");
  reverse->addWidget(reverseButton);
  for (const char* byte : kFloatBytes) reverse->addWidget(createServiceEdit(byte, 44));
  reverse->addWidget(createNamedLabel("Label296", "="));
  reverse->addWidget(createServiceEdit(kFloatResult, 160, true));
  reverse->addStretch();
  grid->addLayout(reverse, 3, 0, 1, 4);
  grid->setColumnStretch(4, 1);
  outer->addWidget(inputs, 0, 0, 1, 2);
  context.binder.bindNamedChildren(page);

  // Not bound: its enabled state follows the page's activity.
  outer->addWidget(createCancelButton("ButtonIrsCancel", context, cancel), 1, 0, Qt::AlignLeft);
  outer->setRowStretch(0, 1);

  postOnClick(getGroupButton, context, "irs group", &getGroup);
  postOnClick(getArrayButton, context, "irs array", [cancel] {
    cancel->reset();
    return getArray(cancel);
  });
  auto* lock = lockWhileBusy(inputs, context);
  Configurator& core = context.core;
  QObject::connect(reverseButton, &QPushButton::clicked, reverseButton, lock->whenIdle([&core] {
    reverseBytesToFloatClick(core.form, core.window, core.operations);
  }));
  return page;
}

}  // namespace velk
