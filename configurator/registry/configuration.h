#pragma once
// The File menu's work without its dialogs: saving and loading the
// configuration file named by ConfigFileName, and "&Default". Whatever puts
// a configuration into the form is followed by every page's
// afterConfigurationLoaded, the window's and velk's alike.

#include "registry/config_file.h"

namespace velk {

class Configurator;

// The pages follow a configuration just put into the form (page_module.h).
void followLoadedConfiguration(Configurator& core, const QStringList& changedControls, bool followOnDevice);

// Saves to ConfigFileName; the status bar tells the lines written, or the
// failure is reported. A saved file is also kept in the device history,
// under the file's name.
ConfigurationSave SaveConfiguration(Configurator& core);

// Loads ConfigFileName; on success the curve page shows the loaded curve and
// the status bar the lines read. A failed load changes nothing.
ConfigurationLoad LoadConfiguration(Configurator& core);
// The same for a configuration's text kept elsewhere (the device history);
// the status bar names it `name`.
ConfigurationLoad LoadConfigurationText(Configurator& core, const QByteArray& text, const QString& name);

// "&Default".
void FileDefaultExecute(Configurator& core);

}  // namespace velk
