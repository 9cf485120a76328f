#include "diagnostics/diag_alarms_page.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "checks/additional_status.h"
#include "checks/self_test.h"
#include "comm/configurator.h"
#include "diagnostics/diag_alarms_operations.h"
#include "ui/form_binder.h"
#include "ui/page_busy.h"
#include "ui/page_context.h"
#include "ui/page_widgets.h"

namespace velk {

namespace {

// The alarm table's columns: rows 0-31, 32-64 and 65-85.
constexpr int kColumnStarts[] = {0, 32, 65, kDiagnosticAlarms};
constexpr int kBitFieldCharacters = 34;  // Edit6 shows 32 bits

QLineEdit* edit(const char* name, int characters = 8) {
  auto* field = new QLineEdit;
  field->setObjectName(name);
  field->setReadOnly(true);  // the device's answer, not an input
  field->setFixedWidth(field->fontMetrics().horizontalAdvance(QLatin1Char('0')) * characters + 12);
  return field;
}

QPushButton* button(const char* name, const char* caption) {
  auto* button = new QPushButton(caption);
  button->setObjectName(name);
  return button;
}

QLabel* label(const char* name, const char* text) {
  auto* label = new QLabel(text);
  label->setObjectName(name);
  return label;
}

// A caption above its field.
QVBoxLayout* captioned(QLabel* caption, QWidget* field) {
  auto* column = new QVBoxLayout;
  column->setSpacing(1);
  column->addWidget(caption);
  column->addWidget(field, 0, Qt::AlignLeft);
  return column;
}

QWidget* createCommand48Row() {
  auto* row = new QWidget;
  auto* layout = bareLayout<QHBoxLayout>(row);
  layout->addWidget(button("ButtonReadDiagnostics", "Cmd 48 msg"), 0, Qt::AlignBottom);
  layout->addLayout(captioned(label("Label21", "Cmd 48 alarms :"), edit("Edit4", 9)));
  layout->addLayout(captioned(label("Label36", "Diagnostic alert :"), edit("Edit5", 6)));
  layout->addLayout(captioned(label("Label42", "Diagnostic status :"), edit("Edit6", kBitFieldCharacters)));
  // The self test ends with the command 48 read into these fields.
  layout->addWidget(button("ButtonSelfTest", "Memory self test"), 0, Qt::AlignBottom);
  layout->addStretch(1);
  return row;
}

QWidget* createUploadRow() {
  auto* row = new QWidget;
  auto* layout = bareLayout<QHBoxLayout>(row);
  layout->addWidget(button("Button38", "Upload alarms"), 0, Qt::AlignBottom);
  layout->addLayout(captioned(label("Label424", "Message :"), edit("Edit168", 20)));
  layout->addStretch(1);
  return row;
}

// Health and status: laid out, nothing fills or handles them.
QGroupBox* createHealthGroup() {
  auto* group = new QGroupBox("Health");
  auto* grid = new QGridLayout(group);
  grid->setVerticalSpacing(2);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(button("ButtonGetCmd48", "Get Cmd 48"));
  buttons->addWidget(button("ButtonGetHealth", "Get Health"));
  buttons->addWidget(button("ButtonHealthStart", "Start"));
  buttons->addWidget(button("ButtonHealthStop", "Stop"));
  grid->addLayout(buttons, 0, 0, 1, 6);
  const std::pair<const char*, const char*> percentages[] = {{"Health :", "EditHealth"},
                                                             {"Positioner:", "EditHealthPositioner"},
                                                             {"Control:", "EditHealthControl"},
                                                             {"Valve:", "EditHealthValve"},
                                                             {"Actuator:", "EditHealthActuator"}};
  // Two fields a row, to leave the alarm table room.
  int field = 0;
  for (const auto& [caption, name] : percentages) {
    const int row = 1 + field / 2, column = 3 * (field % 2);
    grid->addWidget(new QLabel(caption), row, column);
    grid->addWidget(edit(name, 5), row, column + 1);
    grid->addWidget(new QLabel("%"), row, column + 2);
    ++field;
  }
  grid->addWidget(new QLabel("Limp home :"), 3, 3);
  grid->addWidget(edit("EditLimpHome", 5), 3, 4);
  grid->addWidget(button("ButtonGetStatus", "Get Status :"), 4, 0);
  grid->addWidget(edit("EditStatus", 12), 4, 1, 1, 4);
  grid->setColumnStretch(6, 1);
  return group;
}

// One column of alarm rows: the row number, the alarm's text, its check box.
QWidget* createAlarmColumn(int first, int end) {
  auto* column = new QWidget;
  auto* grid = new QGridLayout(column);
  grid->setContentsMargins(4, 0, 4, 0);
  grid->setVerticalSpacing(0);
  grid->setHorizontalSpacing(6);
  for (int byte = first; byte < end; ++byte) {
    const int row = byte - first;
    auto* number = new QLabel(QString::number(alarmRowNumber(byte)));
    number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(number, row, 0);
    grid->addWidget(new QLabel(alarmText(byte)), row, 1);
    auto* box = new QCheckBox;
    box->setObjectName(alarmCheckBox(byte));
    grid->addWidget(box, row, 2);
  }
  grid->setRowStretch(end - first, 1);
  return column;
}

QWidget* createAlarmTable() {
  auto* table = new QWidget;
  auto* columns = bareLayout<QHBoxLayout>(table);
  for (int c = 0; c + 1 < static_cast<int>(std::size(kColumnStarts)); ++c)
    columns->addWidget(createAlarmColumn(kColumnStarts[c], kColumnStarts[c + 1]), 0, Qt::AlignTop);
  columns->addStretch(1);
  auto* scroll = new QScrollArea;
  scroll->setWidget(table);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  return scroll;
}

}  // namespace

QWidget* createDiagAlarmsPage(PageContext& context) {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);

  auto* top = new QHBoxLayout;
  auto* reads = new QVBoxLayout;
  reads->addWidget(createCommand48Row());
  reads->addWidget(createUploadRow());
  reads->addStretch(1);
  top->addLayout(reads, 1);
  top->addWidget(createHealthGroup());
  layout->addLayout(top);
  layout->addWidget(createAlarmTable(), 1);

  context.binder.bindNamedChildren(page);
  postOnClick(page->findChild<QPushButton*>("ButtonReadDiagnostics"), context, "diag alarms read",
              &ButtonReadDiagnosticsClick);
  postOnClick(page->findChild<QPushButton*>("Button38"), context, "diag alarms upload", &uploadAlarms);
  PageBusyLock* busy = lockWhileBusy(page, context);
  QObject::connect(page->findChild<QPushButton*>("ButtonSelfTest"), &QPushButton::clicked, page,
                   busy->whenIdle([context] {
                     postPageJob(context, "self test", ButtonSelfTestClick(context.core.operations));
                   }));
  return page;
}

}  // namespace velk
