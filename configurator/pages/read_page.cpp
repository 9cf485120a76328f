#include "pages/read_page.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "comm/configurator.h"
#include "comm/connection.h"
#include "pages/read_operations.h"
#include "ui/field_validation.h"
#include "ui/form_binder.h"
#include "ui/page_busy.h"
#include "ui/page_context.h"
#include "ui/page_widgets.h"

namespace velk {

namespace {

constexpr int kTextEditWidth = 150;

struct CaptionedValue {
  const char* caption;
  const char* name;
};

QLabel* createValueLabel(const char* name) {
  auto* label = new QLabel;
  label->setObjectName(name);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

QLineEdit* createTextEdit(const char* name) { return createLineEdit(name, kTextEditWidth); }

// A field and the button that writes it, side by side.
QWidget* withButton(QWidget* field, QPushButton* button) { return fieldRow({field, button}); }

template <std::size_t N>
void addValueRows(QFormLayout* rows, const CaptionedValue (&values)[N]) {
  for (const CaptionedValue& value : values) rows->addRow(value.caption, createValueLabel(value.name));
}

QGroupBox* createDeviceDataGroup() {
  auto* group = new QGroupBox("Device Data");
  QFormLayout* rows = createForm(group);
  rows->addRow("Device ID :",
               withButton(createNumberEdit("Edit183"), createPageButton("Button59", "Write ID")));
  constexpr CaptionedValue kValues[] = {
      {"Hardware version :", "LabelHWverValue"},         {"Software version :", "LabelSWverValue"},
      {"Assembly number :", "LabelAssemblyNumberValue"}, {"Date :", "LabelDateValue"},
      {"Capability :", "LabelCapabilityValue"},
  };
  addValueRows(rows, kValues);
  return group;
}

QGroupBox* createHartGroup() {
  auto* group = new QGroupBox("Hart");
  QFormLayout* rows = createForm(group);
  rows->addRow("Message :", createValueLabel("LabelHartMessageValue"));
  rows->addRow("Descriptor :", createTextEdit("EditDescriptor"));
  rows->addRow("Tag :", withButton(createTextEdit("EditTag"),
                                   createPageButton("ButtonWriteTagDescDate", "Tag o Desc.")));
  rows->addRow("Polling address :", withButton(createNumberEdit("EditPollAddress"),
                                               createPageButton("ButtonWritePollAddress", "Poll Address")));
  constexpr CaptionedValue kValues[] = {{"Univ cmd :", "LabelHartUnivCmdValue"},
                                        {"Spec cmd :", "LabelHartSpecCmdValue"}};
  addValueRows(rows, kValues);
  auto* range = new QWidget;
  auto* rangeRow = bareLayout<QHBoxLayout>(range);
  rangeRow->addWidget(createNumberEdit("SearchPollStart"));
  rangeRow->addWidget(new QLabel("to"));
  rangeRow->addWidget(createNumberEdit("SearchPollStop"));
  rangeRow->addStretch();
  rows->addRow("Search Poll Interval :", range);
  return group;
}

QGroupBox* createStatisticsGroup() {
  auto* group = new QGroupBox("Statistics");
  QFormLayout* rows = createForm(group);
  constexpr CaptionedValue kValues[] = {
      {"Cycles :", "LabelNumberOfCyclesValue"},   {"Travel :", "LabelAccumulatedTravelValue"},
      {"Deviation :", "LabelMeanDeviationValue"}, {"Run time :", "LabelRunTimeValue"},
      {"Max temp :", "LabelStatMaxTempValue"},    {"Min temp :", "LabelStatMinTempValue"},
  };
  addValueRows(rows, kValues);
  rows->addRow(createPageButton("ButtonResetStatistics", "Reset"));
  return group;
}

void wireFields(QWidget* page, FormState& form) {
  validateIntegerOnExit(child<QLineEdit>(page, "EditPollAddress"), form, 0, kHighestPollingAddress, 0);
  validateIntegerOnExit(child<QLineEdit>(page, "SearchPollStart"), form, 0, kHighestPollingAddress, 0);
  validateIntegerOnExit(child<QLineEdit>(page, "SearchPollStop"), form, 0, kHighestPollingAddress,
                        kHighestPollingAddress);
  const std::pair<const char*, int> limited[] = {{"EditTag", kTagLength},
                                                 {"EditDescriptor", kDescriptorLength}};
  for (const auto& field : limited) {
    QObject::connect(child<QLineEdit>(page, field.first), &QLineEdit::editingFinished, page,
                     [&form, field] { LimitTextLength(form, field.first, field.second); });
  }
}

}  // namespace

QWidget* createReadPage(PageContext& context) {
  Configurator& core = context.core;
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  grid->addWidget(createDeviceDataGroup(), 0, 0, Qt::AlignTop);
  grid->addWidget(createHartGroup(), 0, 1, 2, 1, Qt::AlignTop);
  grid->addWidget(createStatisticsGroup(), 1, 0, Qt::AlignTop);
  auto* read = createPageButton("ButtonReadRead", "Read data");
  grid->addWidget(read, 2, 0, Qt::AlignLeft);
  grid->setRowStretch(3, 1);
  grid->setColumnStretch(2, 1);

  context.binder.bindNamedChildren(page);
  wireFields(page, core.form);
  postOnClick(read, context, "read data", &readDeviceData);
  postOnClick(child<QPushButton>(page, "ButtonResetStatistics"), context, "reset statistics",
              &resetStatistics);
  postOnClick(child<QPushButton>(page, "ButtonWritePollAddress"), context, "write polling address",
              &writePollAddress);
  postOnClick(child<QPushButton>(page, "ButtonWriteTagDescDate"), context, "write tag and descriptor",
              &writeTagDescriptor);
  QObject::connect(child<QPushButton>(page, "Button59"), &QPushButton::clicked, page,
                   [context, &commands = core.commands] {
                     postPageJob(context, "write device id", [&commands](const JobContext& job) {
                       writeDeviceId(job, Sender::Click, commands);
                     });
                   });
  lockWhileBusy(page, context);
  return page;
}

}  // namespace velk
