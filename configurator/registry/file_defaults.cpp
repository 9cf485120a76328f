#include "registry/file_defaults.h"

#include "files/factory_reset.h"
#include "model/form_fields.h"
#include "model/form_state.h"
#include "model/window_state.h"
#include "registry/page_registry.h"

namespace velk {

namespace {

const std::vector<FactoryValue>& factoryValues() {
  static const std::vector<FactoryValue> values = [] {
    std::vector<FactoryValue> all = {{"EditPassword", kPasswordDefault}};
    for (const PageModule* module : modulesByPlace(&PageModule::configurationPlace))
      all.insert(all.end(), module->factoryValues.begin(), module->factoryValues.end());
    return all;
  }();
  return values;
}

}  // namespace

QStringList fileDefaultControls() {
  QStringList controls;
  for (const FactoryValue& value : factoryValues()) controls.append(value.control);
  return controls;
}

bool applyFileDefaults(FormState& form, const WindowState& window) {
  const int sourceBefore = form.selectedIndex("RadioGroupSetPointSource");
  for (const FactoryValue& value : factoryValues()) {
    if (value.text) applyControlDefaults(form, window, {{value.control, value.text, {}}});
    if (value.item) form.setSelectedIndex(value.control, *value.item);
    if (value.checked) form.setChecked(value.control, *value.checked);
  }
  return form.selectedIndex("RadioGroupSetPointSource") != sourceBefore;
}

}  // namespace velk
