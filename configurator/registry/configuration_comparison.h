#pragma once
// Two configurations side by side, key by key in the order the file writes
// them: the window's fields, the custom curve's point count, then its points.
// What the comparison window, `velk history diff`, `velk diff` and the
// as-found/as-left report show is made here, once.

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace velk {

struct ComparedEntry {
  QString key;
  std::optional<QString> left;   // none: the key is not in the left file
  std::optional<QString> right;
  bool differs = false;  // the texts differ, or only one file has the key
  bool operator==(const ComparedEntry&) const = default;
};

// Both as configuration files (the window's format). Every key that either
// file holds is a row; a key that neither holds (a line a device version
// leaves out, points of a shorter curve) is none. The last line of a key
// counts, as when the file is loaded.
std::vector<ComparedEntry> compareConfigurations(const QByteArray& left, const QByteArray& right);

// A value as the comparison shows it: the text, or "(none)".
QString comparedValueText(const std::optional<QString>& value);

}  // namespace velk
