#include "files/logs_page.h"

#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

#include "files/logs_operations.h"
#include "model/window_operations.h"
#include "ui/form_binder.h"
#include "ui/page_context.h"

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
  grid->addWidget(createButton("Button50", "Get log", page), 2, 1, Qt::AlignLeft);
  context.binder.bindNamedChildren(page);
  return page;
}

}  // namespace velk
