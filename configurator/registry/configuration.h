#pragma once
// The File menu's work without its dialogs: saving and loading the
// configuration file named by ConfigFileName, and "&Default". What a change
// of the setpoint source's selection does follows as the user's click would.

#include "files/config_file.h"

namespace velk {

class Configurator;

// Saves to ConfigFileName; the status bar tells the lines written, or the
// failure is reported.
ConfigurationSave SaveConfiguration(Configurator& core);

// Loads ConfigFileName; on success the curve page shows the loaded curve and
// the status bar the lines read. A failed load changes nothing.
ConfigurationLoad LoadConfiguration(Configurator& core);
// The same for a configuration's text kept elsewhere (the device history);
// the status bar names it `name`.
ConfigurationLoad LoadConfigurationText(Configurator& core, const QByteArray& text, const QString& name);

// "&Default".
void FileDefaultExecute(Configurator& core);

// What the status bar adds when a file or "&Default" would change the
// setpoint source while a calibration runs.
inline constexpr const char* kSourceKeptText = "the setpoint source was not changed: a calibration runs";

}  // namespace velk
