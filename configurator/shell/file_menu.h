#pragma once
// The File menu's commands with dialogs: "&Open", "&Save", "Save &As"
// ("&Default" needs none: registry/configuration.h). The dialogs are behind a
// seam so that tests can answer them.

#include <QString>
#include <functional>

class QWidget;

namespace velk {

class Configurator;
struct ProgramPaths;

// What a file dialog returns: the chosen path (empty when cancelled) and the
// index of the filter chosen, counted from 1.
struct ChosenFile {
  QString path;
  int filterIndex = 1;
};

struct FileDialogs {
  // The open dialog in `folder`.
  std::function<ChosenFile(QWidget* parent, const QString& folder)> open;
  // The save dialog with `name` proposed in `folder`.
  std::function<ChosenFile(QWidget* parent, const QString& folder, const QString& name)> save;
};

// The desktop's dialogs: "Open File" with the filter "Text files|*.txt|All
// files|*.*"; the save dialog with no filter of its own.
FileDialogs desktopFileDialogs();

void FileOpenExecute(Configurator& core, const ProgramPaths& paths, const FileDialogs& dialogs,
                     QWidget* parent);
void FileSaveExecute(Configurator& core, const ProgramPaths& paths, const FileDialogs& dialogs,
                     QWidget* parent);
void FileSaveAsExecute(Configurator& core, const ProgramPaths& paths, const FileDialogs& dialogs,
                       QWidget* parent);

}  // namespace velk
