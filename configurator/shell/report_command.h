#pragma once
// File > "Report...": the as-found/as-left report of the connected device
// (or, with none connected, of the device of the newest record) written as
// a PDF where the technician says.

#include <QString>

class QWidget;

namespace velk {

class Configurator;
struct FileDialogs;
struct ProgramPaths;

// `historyChoice` as the Settings hold it (VELK_HISTORY wins). The status bar
// tells where the report went; a failure is reported and writes nothing.
void FileReportExecute(Configurator& core, const ProgramPaths& paths, const QString& historyChoice,
                       const FileDialogs& dialogs, QWidget* parent);

}  // namespace velk
