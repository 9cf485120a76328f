#include "files/logs_page.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

#include "files/logs_operations.h"
#include "model/window_operations.h"
#include "ui/form_binder.h"
#include "ui/page_busy.h"
#include "ui/page_context.h"
#include "ui/page_widgets.h"

namespace velk {

namespace {

QPlainTextEdit* createLog(const char* name, QWidget* parent) {
  auto* memo = new QPlainTextEdit(parent);
  memo->setObjectName(name);
  memo->setReadOnly(true);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  return memo;
}

QLabel* createLabel(const char* name, const char* text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  return label;
}

QPushButton* createButton(const char* name, const char* text, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  return button;
}

}  // namespace

QWidget* createLogsPage(PageContext& context) {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  grid->addWidget(createLabel("Label221", "Communication log :", page), 0, 0);
  grid->addWidget(createLog(kCommunicationLog, page), 1, 0);
  grid->addWidget(createButton("Button52", "Get dynamic vars", page), 2, 0, Qt::AlignLeft);
  grid->addWidget(createLabel("Label236", "Event log :", page), 0, 1);
  grid->addWidget(createLog(kEventLog, page), 1, 1);
  // Its own box, so that it waits for its job without greying the logs.
  auto* getLog = new QWidget(page);
  auto* getLogRow = bareLayout<QHBoxLayout>(getLog);
  auto* button = createButton("Button50", "Get log", getLog);
  getLogRow->addWidget(button);
  grid->addWidget(getLog, 2, 1, Qt::AlignLeft);
  context.binder.bindNamedChildren(page);
  postOnClick(button, context, "get log", &getEventLog);
  lockWhileBusy(getLog, context);
  return page;
}

}  // namespace velk
