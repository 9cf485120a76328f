#pragma once
// A page's fields as the configuration file holds them and as "&Default"
// puts them back. Each page module lists its own; the file and "&Default"
// take the modules in their configuration places.

#include <optional>
#include <vector>

namespace velk {

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
};

// A control's factory value: a text (numbers written with a point, shown
// with the locale's separator), a radio group's item or a check box.
struct FactoryValue {
  const char* control;
  const char* text = nullptr;
  std::optional<int> item = std::nullopt;
  std::optional<bool> checked = std::nullopt;
};

}  // namespace velk
