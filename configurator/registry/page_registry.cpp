#include "registry/page_registry.h"

#include <QLocale>
#include <algorithm>

#include "diagnostics/modules.h"
#include "files/factory_reset.h"
#include "files/modules.h"
#include "pages/modules.h"
#include "registry/page_sequences.h"
#include "service/modules.h"

namespace velk {

const PageModules& pageModules() {
  static const PageModules modules = {
      &controlModule(),    &calibrateModule(), &setupModule(),  &characteristicsModule(),
      &appearanceModule(), &tuningModule(),    &alarmsModule(), &readModule(),
      &diagAlarmsModule(), &debugModule(),     &mapModule(),    &diag2Module(),
      &trendsModule(),     &logsModule(),      &dbModule(),     &hartModule(),
      &irsModule(),        &limitsModule(),
  };
  return modules;
}

PageModules modulesByPlace(int PageModule::*place) {
  PageModules modules;
  for (const PageModule* module : pageModules())
    if (module->*place > 0) modules.push_back(module);
  std::stable_sort(modules.begin(), modules.end(),
                   [place](const PageModule* a, const PageModule* b) { return a->*place < b->*place; });
  return modules;
}

ControlStateRules controlStateRules() {
  ControlStateRules rules = {
      // Which device a port opens changes only while no port is open.
      {when::disconnected,
       {"Comport1", "Comport2", "Comport3", "Comport4", "Comport5", "Comport6", "Comport7", "Comport8",
        "ComportDevices"}},
      // A sequence running keeps its own buttons and the factory reset off.
      {[](const ControlConditions& c) { return when::connected(c) && !c.sequenceRunning; },
       {"ButtonReadAll"}},
      {when::connectedAndWritable, {"ButtonInOutService"}},
      {[](const ControlConditions& c) {
         return when::mayChangeSettingsOutOfService(c) && !c.sequenceRunning;
       },
       {"ButtonFactoryReset", "ButtonSendAll"}},
      // A file opened or defaults put in while a sequence runs would mix into
      // what it sends; one saved would hold a half-read configuration.
      {[](const ControlConditions& c) { return !c.sequenceRunning; },
       {"FileDefault", "FileOpen", "FileSave", "FileSaveAs"}},
  };
  for (const PageModule* module : pageModules()) {
    if (module->readButton) rules.push_back({when::connected, {module->readButton}});
    if (module->sendButton)
      rules.push_back({module->sentOutOfServiceOnly ? when::mayChangeSettingsOutOfService : when::mayChangeSettings,
                       {module->sendButton}});
    rules.insert(rules.end(), module->controlRules.begin(), module->controlRules.end());
  }
  return rules;
}

void installPageModules(Configurator& core) {
  core.installModules(pageModules(), controlStateRules());
  installPageSequences(core);
}

void applyStartupDefaults(FormState& form, WindowState& window) {
  applyStartupDefaults(form, window, QLocale::system().decimalPoint());
}

void applyStartupDefaults(FormState& form, WindowState& window, const QString& decimalSeparator) {
  // Pages write their numbers with it.
  window.setDecimalSeparator(decimalSeparator);
  form.setText("EditPassword", kPasswordDefault);
  for (const PageModule* module : pageModules()) {
    if (module->defaultValues) applyControlDefaults(form, window, module->defaultValues());
    if (module->defaults) module->defaults(form, window);
  }
  window.Connected.store(false);
  window.OutOfService.store(false);
}

}  // namespace velk
