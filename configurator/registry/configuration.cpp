#include "registry/configuration.h"

#include "comm/configurator.h"
#include "diagnostics/control_operations.h"
#include "diagnostics/logic/setpoint_rules.h"
#include "diagnostics/modules.h"
#include "files/file_defaults.h"
#include "pages/characteristics_operations.h"

namespace velk {

namespace {

// The setpoint source's selection changed without a click: what the click
// does follows. Connected, the source is sent to the device, unless a
// calibration runs: the selection then goes back to the device's source,
// which must not change under the calibration. Not connected, the window
// takes it for its control states alone.
void setpointSourceChosen(Configurator& core) {
  if (core.window.Connected.load() && core.window.CalibrationRunning.load()) {
    if (const auto index = indexForCode(kSetpointSources, core.window.SetPointSource.load()))
      core.form.setSelectedIndex(kSetpointSourceGroup, *index);
    const QString shown = core.form.text(kStatusBar);
    core.form.setText(kStatusBar, (shown.isEmpty() ? QString() : shown + "; ") + kSourceKeptText);
    return;
  }
  if (core.window.Connected.load()) {
    core.commands.post(
        "control source", [](const JobContext& job) { RadioGroupSetPointSourceClick(job, Sender::Click); },
        controlModule().name);
    return;
  }
  core.window.SetPointSource.store(
      codeForIndex(kSetpointSources, core.form.selectedIndex(kSetpointSourceGroup)));
  core.operations.UpdateControlStates();
}

}  // namespace

ConfigurationSave SaveConfiguration(Configurator& core) {
  const QString name = core.window.ConfigFileName();
  const ConfigurationSave result = saveConfiguration(name, core.form, core.window);
  if (result.ok)
    core.form.setText(kStatusBar, linesWrittenText(result.lines, name));
  else
    core.operations.reportError(result.error);
  return result;
}

namespace {

// What follows a load that succeeded, wherever the configuration came from.
ConfigurationLoad afterLoad(Configurator& core, const ConfigurationLoad& result, const QString& name) {
  if (!result.ok) return result;
  ComboBoxCharacterChange(core.form, core.window);
  core.form.setText(kStatusBar, linesReadText(result.lines, name));
  if (result.setpointSourceChanged) setpointSourceChosen(core);
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
  const bool sourceChanged = applyFileDefaults(core.form, core.window);
  ComboBoxCharacterChange(core.form, core.window);
  if (sourceChanged) setpointSourceChosen(core);
}

}  // namespace velk
