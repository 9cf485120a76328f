#include "service/hart_page.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "service/hart_operations.h"
#include "service/service_widgets.h"
#include "ui/form_binder.h"
#include "ui/page_busy.h"
#include "ui/page_context.h"
#include "ui/page_widgets.h"

namespace velk {

namespace {

constexpr int kByteWidth = 40;
constexpr int kBytesPerRow = 14;

// 28 byte fields in two rows of 14 under their numbers, from `row` of the grid on.
void addByteRows(QGridLayout* grid, int row, QString (*field)(int), bool readOnly) {
  for (int i = 0; i < kRawByteFields; ++i) {
    const int line = row + 2 * (i / kBytesPerRow);
    const int column = 2 + i % kBytesPerRow;
    auto* number = new QLabel(QString::number(i));
    number->setAlignment(Qt::AlignCenter);
    grid->addWidget(number, line, column);
    grid->addWidget(createServiceEdit(field(i), kByteWidth, readOnly), line + 1, column);
  }
}

}  // namespace

QWidget* createHartPage(PageContext& context) {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  grid->addWidget(new QLabel("Command :"), 1, 0);
  grid->addWidget(createServiceEdit(kRawCommandField, kByteWidth), 1, 1);
  addByteRows(grid, 0, &requestByteField, false);
  grid->addWidget(new QLabel("Length :"), 4, 0);
  grid->addWidget(createServiceEdit(kRawLengthField, kByteWidth), 4, 1);

  grid->addWidget(new QLabel("Response code :"), 5, 0);
  grid->addWidget(createServiceEdit(kRawResponseCode, kByteWidth, true), 5, 1);
  grid->addWidget(new QLabel("Status code :"), 6, 0);
  grid->addWidget(createServiceEdit(kRawStatus, kByteWidth, true), 6, 1);
  grid->addWidget(new QLabel("Response length :"), 7, 0);
  grid->addWidget(createServiceEdit(kRawResponseLength, kByteWidth, true), 7, 1);
  grid->addWidget(new QLabel("Response :"), 9, 0);
  addByteRows(grid, 8, &replyByteField, true);

  grid->addWidget(new QLabel("Progress :"), 12, 0);
  auto* progress = createServiceEdit(kRawProgress, 200, true);
  grid->addWidget(progress, 12, 1, 1, 6);
  auto* send = createPageButton("Send", "Send");
  grid->addWidget(send, 13, 0, 1, 2);
  grid->setRowStretch(14, 1);
  grid->setColumnStretch(2 + kBytesPerRow, 1);

  context.binder.bindNamedChildren(page);
  postOnClick(send, context, "hart send", &sendRawCommandClick);
  lockWhileBusy(page, context);
  return page;
}

}  // namespace velk
