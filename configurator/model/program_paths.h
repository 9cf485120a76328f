#pragma once
// Where the program keeps its files and settings.

#include <QString>

namespace velk {

struct ProgramPaths {
  QString settingsFile;   // empty: the user's native settings of the program
  QString programFolder;  // holds trends, logs, configurations, signatures, graphs, readme.txt

  // The per-user data folder of the program and its native settings.
  static ProgramPaths standard();

  // The folders the file dialogs start in, with a trailing slash.
  QString configurationsFolder() const;
  QString graphsFolder() const;
  QString readmeFile() const;
};

}  // namespace velk
