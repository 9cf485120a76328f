#include "registry/file_defaults.h"

#include "files/factory_reset.h"
#include "model/form_fields.h"
#include "model/form_state.h"
#include "model/window_state.h"
#include "registry/config_file.h"
#include "registry/page_registry.h"

namespace velk {

namespace {

// The window's own field first, then the pages' in configuration place.
const std::vector<const PageDefaults*>& fileDefaultTables() {
  static const PageDefaults window = {{"EditPassword", kPasswordDefault}};
  static const std::vector<const PageDefaults*> tables = [] {
    std::vector<const PageDefaults*> all = {&window};
    for (const PageModule* module : modulesByPlace(&PageModule::configurationPlace))
      if (module->defaultValues) all.push_back(&module->defaultValues());
    return all;
  }();
  return tables;
}

}  // namespace

QStringList fileDefaultControls() {
  QStringList controls;
  for (const PageDefaults* table : fileDefaultTables())
    for (const ControlDefault& value : *table)
      if (value.use != DefaultUse::StartOnly) controls.append(value.name);
  return controls;
}

QStringList applyFileDefaults(FormState& form, const WindowState& window) {
  const ShownValues before = shownValues(form, fileDefaultControls());
  for (const PageDefaults* table : fileDefaultTables()) applyFileDefaultValues(form, window, *table);
  return changedControls(form, before);
}

}  // namespace velk
