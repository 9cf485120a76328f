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
#include <vector>

namespace velk {

class FormState;
struct WindowState;

inline constexpr const char* kConfigurationHeader = "Velk Configurator 2.0";

enum class ConfigValueForm {
  Text,   // the control's text as shown
  Index,  // the selected item of a radio group
  Flag,   // a check box: "1" checked, "0" not
};

struct ConfigEntry {
  const char* key;
  ConfigValueForm form;
  const char* control;
  // Written only for a device of at least this software version (times ten).
  int minimumVersion = 0;
  // Taken only from files that name their format (not from format 1.0 files).
  bool versionGated = false;
  // Loading also gives these controls the same text.
  std::vector<const char*> alsoSets = {};
};

// The entries in the order they are written; the curve follows them.
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
  int lines = 0;  // 1 plus the lines that set a field
  QString error;  // where the file is not correct: "line N: KEY" or why it could not be read
  bool setpointSourceChanged = false;
};
// Reads and converts the whole file before anything is set: a file with one
// value that does not convert (a curve point of "nan" or "inf" included), a
// NUL byte, a line of over 4096 characters (the header too) or no line that
// starts with a key changes no field.
ConfigurationLoad loadConfigurationText(const QByteArray& bytes, FormState& form, WindowState& window);
ConfigurationLoad loadConfiguration(const QString& path, FormState& form, WindowState& window);

// The status bar after a save or a load: "161 lines written to config.txt".
QString linesWrittenText(int lines, const QString& path);
QString linesReadText(int lines, const QString& path);

}  // namespace velk
