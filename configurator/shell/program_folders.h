#pragma once
// The program folder and its subfolders, made at start-up.

#include "model/program_paths.h"

namespace velk {

// Creates the program folder and its subfolders where missing, in the order
// trends, logs, configurations, signatures, graphs. A folder that cannot be
// made is left out; the dialogs then start wherever the system puts them.
void createProgramFolders(const ProgramPaths& paths);

// Puts the readme that ships beside the executable into the program folder
// when it is not there or older.
void installReadme(const ProgramPaths& paths, const QString& shippedReadme);

}  // namespace velk
