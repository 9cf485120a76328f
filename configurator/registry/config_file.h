#pragma once
// The configuration file: one whole configuration as the window shows it,
// after the header "Velk Configurator 2.0" one "KEY value" line per field,
// then the custom curve's point count and points. Saving and loading work on
// the form state and the window state; neither talks to the device.
//
// Files are ISO 8859-1 text, as earlier installations wrote them; lines end
// in CR LF and are read with or without the CR.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

#include "comm/configuration_fields.h"
#include "model/form_state.h"

namespace velk {

struct WindowState;

inline constexpr const char* kConfigurationHeader = "Velk Configurator 2.0";

// The entries in the order they are written: the window's own (the
// password), then each module's in its configuration place; the curve
// follows them.
const std::vector<ConfigEntry>& configurationEntries();

// The file as it would be written for the window as it stands.
struct ConfigurationText {
  QByteArray bytes;
  int lines = 0;  // header included
};
ConfigurationText configurationText(const FormState& form, const WindowState& window);

struct ConfigurationSave {
  bool ok = false;
  int lines = 0;
  QString error;  // "Could not write NAME: reason"
};
// Writes through a temporary file renamed over the old one, so a failed
// save leaves the previous file as it was.
ConfigurationSave saveConfiguration(const QString& path, const FormState& form, const WindowState& window);

struct ConfigurationLoad {
  bool ok = false;
  int lines = 0;                // 1 plus the lines that set a field
  QString error;                // where the file is not correct: "line N: KEY" or why it could not be read
  QStringList changedControls;  // whose text, item or check the file changed
};
// Reads and converts the whole file before anything is set: a file with one
// value that does not convert (a curve point of "nan" or "inf" included), a
// NUL byte, a line of over 4096 characters (the header too) or no line that
// starts with a key changes no field.
ConfigurationLoad loadConfigurationText(const QByteArray& bytes, FormState& form, WindowState& window);
ConfigurationLoad loadConfiguration(const QString& path, FormState& form, WindowState& window);

// What a set of controls shows (text, item, check), to tell afterwards which
// of them a load or "&Default" changed.
using ShownValues = std::vector<std::pair<QString, ControlValue>>;
ShownValues shownValues(const FormState& form, const QStringList& controls);
QStringList changedControls(const FormState& form, const ShownValues& before);

// The status bar after a save or a load: "161 lines written to config.txt".
QString linesWrittenText(int lines, const QString& path);
QString linesReadText(int lines, const QString& path);

}  // namespace velk
