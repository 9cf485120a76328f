#include "pages/alarms_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <vector>

#include "comm/configurator.h"
#include "pages/alarms_operations.h"
#include "pages/logic/alarm_rules.h"
#include "pages/modules.h"
#include "ui/field_validation.h"
#include "ui/form_binder.h"
#include "ui/page_busy.h"
#include "ui/page_context.h"
#include "ui/page_widgets.h"

namespace velk {

namespace {

struct ValueField {
  const char* caption;
  const char* name;
  const char* unit;
  const char* unitLabel = "";  // a named unit label follows the device's unit
};

struct GroupLayout {
  const char* title;
  const char* enable;
  const char* alarmOut;
  const char* valveAction;
  std::vector<ValueField> values;
};

const GroupLayout kGroupLayouts[] = {
    {"Limit 1",
     "CheckBoxAlarmLimit1",
     "CheckBoxLimit1AlarmOut",
     "ComboBoxLimit1ValveAction",
     {{"Min position:", "EditLimit1Min", "%"},
      {"Max position:", "EditLimit1Max", "%"},
      {"Hysteresis:", "EditLimit1Hysteresis", "%"}}},
    {"Limit 2",
     "CheckBoxAlarmLimit2",
     "CheckBoxLimit2AlarmOut",
     "ComboBoxLimit2ValveAction",
     {{"Min position:", "EditLimit2Min", "%"},
      {"Max position:", "EditLimit2Max", "%"},
      {"Hysteresis:", "EditLimit2Hysteresis", "%"}}},
    {"Deviation",
     "CheckBoxAlarmDeviation",
     "CheckBoxDeviationAlarmOut",
     "ComboBoxDeviationValveAction",
     {{"Distance:", "EditDeviationDistance", "%"}, {"Time:", "EditDeviationTime", "Sec"}}},
    {"Pot = Press",
     "CheckBoxAlarmPot",
     "CheckBoxPotAlarmOut",
     "ComboBoxPotPressValveAction",
     {{"Max difference:", "EditPotPressMaxDiff", "%"}}},
    {"Pressure",
     "CheckBoxAlarmPressInput",
     "CheckBoxPressInputAlarmOut",
     "ComboBoxPressInputValveAction",
     {{"Min position:", "EditPressInputMin", "%", "LabelPressMinUnit"},
      {"Max position:", "EditPressInputMax", "%", "LabelPressMaxUnit"},
      {"Hysteresis:", "EditPressInputHysteresis", "%", "LabelPressHysteresisUnit"}}},
    {"Temp",
     "CheckBoxAlarmTemp",
     "CheckBoxTempAlarmOut",
     "ComboBoxTempValveAction",
     {{"Low temp:", "EditTempMin", "C", "LabelTempMinUnit"},
      {"Max temp:", "EditTempMax", "C", "LabelTempMaxUnit"},
      {"Hysteresis:", "EditTempHysteresis", "C", "LabelTempHysteresisUnit"}}},
};

QCheckBox* createCheckBox(const char* name, const char* caption) {
  auto* box = new QCheckBox(caption);
  box->setObjectName(name);
  return box;
}

QGroupBox* createAlarmGroup(const GroupLayout& layout, FormState& form, const WindowState& window) {
  auto* group = new QGroupBox(layout.title);
  QFormLayout* rows = createForm(group);
  rows->addRow(createCheckBox(layout.enable, "ON"));
  for (const ValueField& value : layout.values) {
    QLineEdit* edit = createNumberEdit(value.name);
    rows->addRow(value.caption, withUnit(edit, createUnitLabel(value.unit, value.unitLabel)));
    validateFloatOnExit(edit, form, window, [&form, name = QString(value.name)] {
      const auto bounds = alarmEditBounds(form, name);
      Q_ASSERT(bounds);
      return *bounds;
    });
  }
  rows->addRow(createCheckBox(layout.alarmOut, "Alarm out"));
  QComboBox* action = createComboBox(layout.valveAction);
  validateComboOnChange(action, form, kValveActionDefaultIndex);
  rows->addRow("Valve action:", action);
  return group;
}

}  // namespace

QWidget* createAlarmsPage(PageContext& context) {
  Configurator& core = context.core;
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  constexpr int kColumns = 3;
  int index = 0;
  for (const GroupLayout& layout : kGroupLayouts) {
    grid->addWidget(createAlarmGroup(layout, core.form, core.window), index / kColumns, index % kColumns,
                    Qt::AlignTop);
    ++index;
  }

  grid->addLayout(createReadSendRow(context, alarmsModule()), 2, 0, 1, kColumns);
  grid->setRowStretch(3, 1);
  grid->setColumnStretch(kColumns, 1);

  context.binder.bindNamedChildren(page);
  lockWhileBusy(page, context);
  return page;
}

}  // namespace velk
