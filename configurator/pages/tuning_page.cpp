#include "pages/tuning_page.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "checks/additional_status.h"
#include "checks/self_test.h"
#include "comm/configurator.h"
#include "pages/modules.h"
#include "pages/tuning_operations.h"
#include "ui/field_validation.h"
#include "ui/form_binder.h"
#include "ui/page_busy.h"
#include "ui/page_context.h"
#include "ui/page_widgets.h"

namespace velk {

namespace {

QGroupBox* createLoopGroup() {
  auto* group = new QGroupBox("Control loop");
  QFormLayout* form = createForm(group);
  form->addRow("Close time :", withUnit(createNumberEdit("EditCloseTime"), "Sec"));
  form->addRow("Open time :", withUnit(createNumberEdit("EditOpenTime"), "Sec"));
  form->addRow("Dead band :", withUnit(createNumberEdit("EditDeadBand"), "%"));
  return group;
}

QGroupBox* createPidGroup() {
  auto* group = new QGroupBox("PID parameters");
  QFormLayout* form = createForm(group);
  form->addRow("P :", createNumberEdit("EditPID_P"));
  form->addRow("I :", createNumberEdit("EditPID_I"));
  form->addRow("D :", createNumberEdit("EditPID_D"));
  return group;
}

QGroupBox* createMinPulseGroup() {
  auto* group = new QGroupBox("Minimum pulses");
  QFormLayout* form = createForm(group);
  form->addRow("Minpulse Up :", createNumberEdit("EditMinpulseUp"));
  form->addRow("Minpulse Up 2 :", createNumberEdit("EditMinpulseUp2"));
  form->addRow("Minpulse Dn :", createNumberEdit("EditMinpulseDn"));
  form->addRow("Minpulse Dn 2 :", createNumberEdit("EditMinpulseDn2"));
  return group;
}

QGroupBox* createToggleGroup() {
  auto* group = new QGroupBox("Togglestep");
  QFormLayout* form = createForm(group);
  form->addRow("Test time :", withUnit(createNumberEdit("EditToggleTime"), "Sec"));
  form->addRow("Cycle time :", withUnit(createNumberEdit("EditToggleCycleTime"), "Sec"));
  form->addRow("Step size :", withUnit(createNumberEdit("EditToggleSize"), "%"));
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(createPageButton("ButtonToggleStepStart", "Start"));
  buttons->addWidget(createPageButton("ButtonToggleStepCancel", "Cancel"));
  buttons->addStretch(1);
  form->addRow(buttons);
  return group;
}

QGroupBox* createExpertGroup() {
  auto* group = new QGroupBox("Expert");
  auto* column = new QVBoxLayout(group);
  auto* label = createUnitLabel("", "LabelSelfTest");
  label->setWordWrap(true);
  column->addWidget(label);
  auto* selfTest = new QGroupBox("Selftest");
  auto* buttons = new QHBoxLayout(selfTest);
  auto* memory = createPageButton("ButtonSelfTest2", "Memory self test");
  auto* alarms = createPageButton("ButtonReadDiagnostics2", "Alarms diagnosis");
  for (QPushButton* button : {memory, alarms}) {
    button->setMinimumWidth(button->sizeHint().width());
    buttons->addWidget(button);
  }
  column->addWidget(selfTest);
  return group;
}

}  // namespace

QWidget* createTuningPage(PageContext& context) {
  Configurator& core = context.core;
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  grid->addWidget(createLoopGroup(), 0, 0);
  grid->addWidget(createPidGroup(), 1, 0);
  grid->addWidget(createMinPulseGroup(), 2, 0);
  grid->addWidget(createToggleGroup(), 0, 1, Qt::AlignTop);
  grid->addWidget(createExpertGroup(), 1, 1, 2, 1, Qt::AlignTop);
  grid->addLayout(createReadSendRow(context, tuningModule()), 3, 0, 1, 2);
  grid->setRowStretch(4, 1);
  grid->setColumnStretch(2, 1);

  context.binder.bindNamedChildren(page);
  for (const BoundedField& field : tuningBoundedFields())
    validateFloatOnExit(child<QLineEdit>(page, field.name), core.form, core.window, field.bounds);

  postOnClick(child<QPushButton>(page, "ButtonToggleStepStart"), context, "toggle step start",
              &ButtonToggleStepStartClick);
  postOnClick(child<QPushButton>(page, "ButtonToggleStepCancel"), context, "toggle step cancel",
              &ButtonToggleStepCancelClick);
  postOnClick(child<QPushButton>(page, "ButtonReadDiagnostics2"), context, "alarms diagnosis",
              &ButtonReadDiagnosticsClick);
  PageBusyLock* busy = lockWhileBusy(page, context);
  QObject::connect(child<QPushButton>(page, "ButtonSelfTest2"), &QPushButton::clicked, page,
                   busy->whenIdle([context] {
                     postPageJob(context, "self test", ButtonSelfTestClick(context.core.operations));
                   }));
  return page;
}

}  // namespace velk
