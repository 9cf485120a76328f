#include "ui/page_widgets.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "comm/configurator.h"
#include "model/page_activity.h"
#include "ui/page_context.h"

namespace velk {

namespace {

constexpr int kNumberEditWidth = 72;
constexpr int kComboBoxWidth = 120;
constexpr int kButtonWidth = 90;

}  // namespace

QLineEdit* createLineEdit(const char* name, int width) {
  auto* edit = new QLineEdit;
  edit->setObjectName(name);
  edit->setFixedWidth(width);
  return edit;
}

QLineEdit* createNumberEdit(const char* name) { return createLineEdit(name, kNumberEditWidth); }

QComboBox* createComboBox(const char* name) {
  auto* combo = new QComboBox;
  combo->setObjectName(name);
  combo->setFixedWidth(kComboBoxWidth);
  return combo;
}

QPushButton* createPageButton(const char* name, const char* caption) {
  auto* button = new QPushButton(caption);
  button->setObjectName(name);
  button->setFixedWidth(kButtonWidth);
  return button;
}

QLabel* createUnitLabel(const QString& text, const char* name) {
  auto* label = new QLabel(text);
  label->setObjectName(name);
  return label;
}

QWidget* fieldRow(std::initializer_list<QWidget*> widgets) {
  auto* field = new QWidget;
  auto* row = bareLayout<QHBoxLayout>(field);
  for (QWidget* widget : widgets) row->addWidget(widget);
  row->addStretch();
  return field;
}

QWidget* withUnit(QWidget* control, QLabel* unit) { return fieldRow({control, unit}); }

QWidget* withUnit(QWidget* control, const QString& unit) { return withUnit(control, createUnitLabel(unit)); }

QFormLayout* createForm(QWidget* owner) {
  auto* form = new QFormLayout(owner);
  form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  return form;
}

QHBoxLayout* createReadSendRow(const PageContext& context, const PageModule& module) {
  auto* row = new QHBoxLayout;
  QPushButton* read = createPageButton(module.readButton, "Read");
  QPushButton* send = createPageButton(module.sendButton, "Send");
  postOnClick(read, context, module.readButton, module.read);
  postOnClick(send, context, module.sendButton, module.send);
  row->addWidget(read);
  row->addWidget(send);
  row->addStretch();
  return row;
}

void postPageJob(const PageContext& context, const QString& key, Job job) {
  context.core.commands.post(key, std::move(job), context.page);
}

void postPageJob(const PageContext& context, const QString& key, StepJob job) {
  context.core.commands.postSteps(key, std::move(job), context.page);
}

void postOnClick(QPushButton* button, const PageContext& context, const QString& key, PageJob operation) {
  QObject::connect(button, &QPushButton::clicked, button, [context, key, operation] {
    postPageJob(context, key, [operation](const JobContext& job) { operation(job, Sender::Click); });
  });
}

void postOnClick(QPushButton* button, const PageContext& context, const QString& key,
                 std::function<StepJob()> make) {
  QObject::connect(button, &QPushButton::clicked, button,
                   [context, key, make = std::move(make)] { postPageJob(context, key, make()); });
}

void repaintWhenIdle(QWidget* widget, const PageContext& context) {
  QObject::connect(&context.core.activity, &PageActivity::changed, widget,
                   [widget, &activity = context.core.activity, page = context.page](const QString& changed) {
                     if (changed == page && !activity.busy(page)) widget->update();
                   });
}

}  // namespace velk
