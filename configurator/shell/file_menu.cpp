#include "shell/file_menu.h"

#include <QFileDialog>
#include <QFileInfo>

#include "comm/configurator.h"
#include "model/program_paths.h"
#include "registry/configuration.h"

namespace velk {

namespace {

constexpr const char* kOpenFilters = "Text files (*.txt);;All files (*)";

// The folder part of a name; empty for a bare name.
QString folderOf(const QString& name) {
  const qsizetype slash = name.lastIndexOf('/');
  return slash < 0 ? QString() : name.left(slash + 1);
}

// With the "Text files" filter a name without ".txt" anywhere in it (case
// counts) gets it.
QString withTextExtension(QString name, int filterIndex) {
  if (filterIndex == 1 && !name.contains(".txt")) name += ".txt";
  return name;
}

}  // namespace

FileDialogs desktopFileDialogs() {
  return {
      [](QWidget* parent, const QString& folder) {
        QString filter;
        const QString path = QFileDialog::getOpenFileName(parent, "Open File", folder, kOpenFilters, &filter);
        return ChosenFile{path, filter.startsWith("All files") ? 2 : 1};
      },
      [](QWidget* parent, const QString& folder, const QString& name) {
        const QString path = QFileDialog::getSaveFileName(parent, QString(), QDir(folder).filePath(name));
        return ChosenFile{path, 1};
      },
  };
}

void FileOpenExecute(Configurator& core, const ProgramPaths& paths, const FileDialogs& dialogs,
                     QWidget* parent) {
  const QString old = core.window.ConfigFileName();
  const QString folder = folderOf(old).isEmpty() ? paths.configurationsFolder() : folderOf(old);
  const ChosenFile chosen = dialogs.open(parent, folder);
  if (chosen.path.isEmpty()) return;
  const QString name = withTextExtension(chosen.path, chosen.filterIndex);
  core.window.setConfigFileName(name);
  const ConfigurationLoad load = LoadConfiguration(core);
  if (load.ok) return;
  // The rejected file's name goes, so that a later Save cannot overwrite it.
  core.window.setConfigFileName(old);
  core.operations.reportError(QString("The File %1 is not correct\n(%2)").arg(name, load.error),
                              WindowOperations::ErrorButton::Yes);
}

void FileSaveExecute(Configurator& core, const ProgramPaths& paths, const FileDialogs& dialogs,
                     QWidget* parent) {
  const QString name = core.window.ConfigFileName();
  const QString folder = folderOf(name);
  // A name without a folder (the "config.txt" of start-up) or only a folder
  // asks where to save.
  if (name.isEmpty() || folder.isEmpty() || folder == name)
    return FileSaveAsExecute(core, paths, dialogs, parent);
  SaveConfiguration(core);
}

void FileSaveAsExecute(Configurator& core, const ProgramPaths& paths, const FileDialogs& dialogs,
                       QWidget* parent) {
  const QString name = core.window.ConfigFileName();
  const QString folder = folderOf(name).isEmpty() ? paths.configurationsFolder() : folderOf(name);
  const ChosenFile chosen = dialogs.save(parent, folder, QFileInfo(name).fileName());
  if (chosen.path.isEmpty()) return;
  core.window.setConfigFileName(withTextExtension(chosen.path, chosen.filterIndex));
  SaveConfiguration(core);
}

}  // namespace velk
