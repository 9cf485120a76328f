#include "pages/setup_page.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "comm/configurator.h"
#include "pages/logic/setup_rules.h"
#include "pages/modules.h"
#include "pages/setup_operations.h"
#include "ui/field_validation.h"
#include "ui/form_binder.h"
#include "ui/page_busy.h"
#include "ui/page_context.h"
#include "ui/page_widgets.h"
#include "ui/radio_group.h"

namespace velk {

namespace {

struct BoundedField {
  const char* name;
  FloatEditBounds bounds;
};
constexpr BoundedField kBoundedFields[] = {
    {"EditCurrentRangeMin", kCurrentRangeMinBounds},
    {"EditCurrentRangeMax", kCurrentRangeMaxBounds},
    {"EditTravelRangeMin", kTravelRangeMinBounds},
    {"EditTravelRangeMax", kTravelRangeMaxBounds},
    {"EditCutoffLow", kCutoffLowBounds},
    {"EditCutoffHigh", kCutoffHighBounds},
    {"EditLimitedLow", kLimitedLowBounds},
    {"EditLimitedHigh", kLimitedHighBounds},
};

struct DefaultedCombo {
  const char* name;
  int defaultIndex;
};
// ComboBoxActuatorType is validated with the stroke group (actuatorTypeChanged).
constexpr DefaultedCombo kDefaultedCombos[] = {
    {"ComboBoxActuatorSize", kActuatorSizeDefaultIndex},
    {"ComboBoxActuatorFunction", kActuatorFunctionDefaultIndex},
    {"ComboBoxControlLow", kTravelControlDefaultIndex},
    {"ComboBoxControlHigh", kTravelControlDefaultIndex},
};

QGroupBox* createActuatorGroup() {
  auto* group = new QGroupBox("Actuator");
  QFormLayout* form = createForm(group);
  form->addRow("Type", createComboBox("ComboBoxActuatorType"));

  auto* linear = new QGroupBox("Linear actuator");
  linear->setObjectName("GroupBoxLinear");
  createForm(linear)->addRow(
      "Stroke", withUnit(createNumberEdit("EditStroke"), createUnitLabel("mm", "LabelStrokeUnit")));
  form->addRow(linear);

  form->addRow("Size", createComboBox("ComboBoxActuatorSize"));
  form->addRow("Function", createComboBox("ComboBoxActuatorFunction"));
  return group;
}

QGroupBox* createLowHighGroup(const QString& title, const char* low, const char* high, const QString& unit) {
  auto* group = new QGroupBox(title);
  QFormLayout* form = createForm(group);
  form->addRow("Min", withUnit(createNumberEdit(low), unit));
  form->addRow("Max", withUnit(createNumberEdit(high), unit));
  return group;
}

// Low and high end side by side: how the valve behaves near each end of travel.
QGroupBox* createTravelControlGroup() {
  auto* group = new QGroupBox("Travel control");
  auto* grid = new QGridLayout(group);
  grid->addWidget(new QLabel("Low end"), 0, 1);
  grid->addWidget(new QLabel("High end"), 0, 2);
  grid->addWidget(new QLabel("Control"), 1, 0);
  grid->addWidget(createComboBox("ComboBoxControlLow"), 1, 1);
  grid->addWidget(createComboBox("ComboBoxControlHigh"), 1, 2);
  grid->addWidget(new QLabel("Cutoff"), 2, 0);
  grid->addWidget(withUnit(createNumberEdit("EditCutoffLow"), "%"), 2, 1);
  grid->addWidget(withUnit(createNumberEdit("EditCutoffHigh"), "%"), 2, 2);
  grid->addWidget(new QLabel("Limited"), 3, 0);
  grid->addWidget(withUnit(createNumberEdit("EditLimitedLow"), "%"), 3, 1);
  grid->addWidget(withUnit(createNumberEdit("EditLimitedHigh"), "%"), 3, 2);
  return group;
}

void wireValidation(QWidget* page, FormState& form, const WindowState& window) {
  for (const BoundedField& field : kBoundedFields)
    validateFloatOnExit(child<QLineEdit>(page, field.name), form, window, field.bounds);
  validateFloatOnExit(child<QLineEdit>(page, "EditStroke"), form, window,
                      [&form] { return strokeFieldBounds(form); });

  for (const DefaultedCombo& combo : kDefaultedCombos)
    validateComboOnChange(child<QComboBox>(page, combo.name), form, combo.defaultIndex);
  QObject::connect(child<QComboBox>(page, "ComboBoxActuatorType"), &QComboBox::currentTextChanged, page,
                   [&form] { actuatorTypeChanged(form); });
}

}  // namespace

QWidget* createSetupPage(PageContext& context) {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  grid->addWidget(createActuatorGroup(), 0, 0);
  grid->addWidget(
      createLowHighGroup("Input current range", "EditCurrentRangeMin", "EditCurrentRangeMax", "mA"), 1, 0);
  auto* direction = new RadioGroup("Direction");
  direction->setObjectName("RadioGroupDirection");
  grid->addWidget(direction, 2, 0);
  grid->addWidget(createLowHighGroup("Travel range", "EditTravelRangeMin", "EditTravelRangeMax", "%"), 0, 1,
                  Qt::AlignTop);
  grid->addWidget(createTravelControlGroup(), 1, 1, 2, 1, Qt::AlignTop);

  grid->addLayout(createReadSendRow(context, setupModule()), 3, 0, 1, 2);
  grid->setRowStretch(4, 1);
  grid->setColumnStretch(2, 1);

  Configurator& core = context.core;
  context.binder.bindNamedChildren(page);
  // The binder stops at a bound widget; the stroke group's own controls are bound too.
  context.binder.bindNamedChildren(child<QGroupBox>(page, "GroupBoxLinear"));
  wireValidation(page, core.form, core.window);
  lockWhileBusy(page, context);
  return page;
}

}  // namespace velk
