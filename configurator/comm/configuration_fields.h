#pragma once
// A page's fields as the configuration file holds them. Each page module
// lists its own; the file takes the modules in their configuration places.

#include <vector>

class QString;

namespace velk {

class FormState;

enum class ConfigValueForm {
  Text,   // the control's text as shown
  Index,  // the selected item of a radio group
  Flag,   // a check box: "1" checked, "0" not
};

// One "KEY value" line of the file.
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
  // What else loading the line does, with the text it set.
  void (*onLoad)(FormState& form, const QString& text) = nullptr;
};

}  // namespace velk
