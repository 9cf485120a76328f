#include "registry/configuration.h"

#include <QFileInfo>

#include "comm/configurator.h"
#include "registry/file_defaults.h"
#include "registry/page_registry.h"

namespace velk {

void followLoadedConfiguration(Configurator& core, const QStringList& changedControls, bool followOnDevice) {
  const LoadedConfiguration loaded{core, changedControls, followOnDevice};
  for (const PageModule* module : pageModules())
    if (module->afterConfigurationLoaded) module->afterConfigurationLoaded(loaded);
}

ConfigurationSave SaveConfiguration(Configurator& core) {
  const QString name = core.window.ConfigFileName();
  const ConfigurationSave result = saveConfiguration(name, core.form, core.window);
  if (!result.ok) {
    core.operations.reportError(result.error);
    return result;
  }
  core.form.setText(kStatusBar, linesWrittenText(result.lines, name));
  core.window.History.record(
      {HistoryKind::Save, configurationText(core.form, core.window).bytes, QFileInfo(name).fileName()});
  return result;
}

namespace {

// What follows a load that succeeded, wherever the configuration came from.
ConfigurationLoad afterLoad(Configurator& core, const ConfigurationLoad& result, const QString& name) {
  if (!result.ok) return result;
  // First: a page that keeps a value it was given says so after it.
  core.form.setText(kStatusBar, linesReadText(result.lines, name));
  followLoadedConfiguration(core, result.changedControls, true);
  return result;
}

}  // namespace

ConfigurationLoad LoadConfiguration(Configurator& core) {
  const QString name = core.window.ConfigFileName();
  return afterLoad(core, loadConfiguration(name, core.form, core.window), name);
}

ConfigurationLoad LoadConfigurationText(Configurator& core, const QByteArray& text, const QString& name) {
  return afterLoad(core, loadConfigurationText(text, core.form, core.window), name);
}

void FileDefaultExecute(Configurator& core) {
  followLoadedConfiguration(core, applyFileDefaults(core.form, core.window), true);
}

}  // namespace velk
