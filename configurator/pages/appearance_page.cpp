#include "pages/appearance_page.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>

#include "comm/configurator.h"
#include "pages/appearance_operations.h"
#include "pages/modules.h"
#include "ui/field_validation.h"
#include "ui/form_binder.h"
#include "ui/page_busy.h"
#include "ui/page_context.h"
#include "ui/page_widgets.h"

namespace velk {

namespace {

struct CaptionedCombo {
  const char* caption;
  const char* name;
};
constexpr CaptionedCombo kUnitCombos[] = {
    {"Setpoint", "ComboBoxSetpoint"},
    {"Position", "ComboBoxPosition"},
    {"Pressure", "ComboBoxPressure"},
    {"Temperature", "ComboBoxTemp"},
};
constexpr CaptionedCombo kDisplayCombos[] = {
    {"Language", "ComboBoxLanguage"},
    {"Default display", "ComboBoxDefault"},
    {"Start menu", "ComboBoxStartMenu"},
};

// Every combo box falls back to its first item.
template <std::size_t N>
QGroupBox* createComboGroup(const QString& title, const CaptionedCombo (&combos)[N], FormState& form) {
  auto* group = new QGroupBox(title);
  QFormLayout* rows = createForm(group);
  for (const CaptionedCombo& combo : combos) {
    QComboBox* box = createComboBox(combo.name);
    validateComboOnChange(box, form, 0);
    rows->addRow(combo.caption, box);
  }
  return group;
}

}  // namespace

QWidget* createAppearancePage(PageContext& context) {
  Configurator& core = context.core;
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  grid->addWidget(createComboGroup("Units", kUnitCombos, core.form), 0, 0, Qt::AlignTop);
  grid->addWidget(createComboGroup("Display", kDisplayCombos, core.form), 0, 1, Qt::AlignTop);

  grid->addLayout(createReadSendRow(context, appearanceModule()), 1, 0, 1, 2);
  grid->setRowStretch(2, 1);
  grid->setColumnStretch(2, 1);

  context.binder.bindNamedChildren(page);
  lockWhileBusy(page, context);
  return page;
}

}  // namespace velk
