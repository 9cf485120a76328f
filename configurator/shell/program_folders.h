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

// Creates the program folder and its subfolders where missing, in the order
// trends, logs, configurations, signatures, graphs. A folder that cannot be
// made is left out; the dialogs then start wherever the system puts them.
void createProgramFolders(const ProgramPaths& paths);

// Puts the readme that ships beside the executable into the program folder
// when it is not there or older.
void installReadme(const ProgramPaths& paths, const QString& shippedReadme);

}  // namespace velk
