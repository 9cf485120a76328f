#pragma once
// The main menu: File, Comport, Device type, Version and Help, with their
// hints shown in the status bar.

#include <QObject>
#include <array>

#include "registry/device_settings.h"
#include "shell/file_menu.h"

class QAction;
class QActionGroup;
class QMenu;
class QMenuBar;
class QWidget;

namespace velk {

class Configurator;
class FormBinder;
struct ProgramPaths;

class MainMenu : public QObject {
  Q_OBJECT

 public:
  MainMenu(Configurator& core, FormBinder& binder, const ProgramPaths& paths, QMenuBar* bar, QWidget* window);

  // Checks the items of the settings read at start-up and takes their
  // choices of serial devices.
  void showSettings(const DeviceSettings& settings);
  // The menu's choices, for the settings written at shutdown.
  void collectSettings(DeviceSettings& settings) const;

  QAction* action(const QString& name) const;

  // Where the device history is kept, as the settings hold it.
  void setHistoryChoice(const QString& choice) { historyChoice_ = choice; }
  QString historyChoice() const { return historyChoice_; }

  // The File menu's dialogs; the desktop's unless replaced.
  void setFileDialogs(FileDialogs dialogs) { fileDialogs_ = std::move(dialogs); }

 Q_SIGNALS:
  void exitRequested();
  // The settings chose another place for the device history.
  void historyChoiceChanged(const QString& choice);

 private:
  void buildFileMenu(QMenuBar* bar, const ProgramPaths& paths, FormBinder& binder);
  void buildComportMenu(QMenuBar* bar, FormBinder& binder);
  void buildDeviceTypeMenu(QMenuBar* bar);
  void buildVersionMenu(QMenuBar* bar);
  void buildHelpMenu(QMenuBar* bar, const ProgramPaths& paths);
  QAction* addItem(QMenu* menu, const char* name, const char* caption, const char* hint);
  void chooseSerialDevices();
  void showPortDevices();
  // Hands the key file to the library (MIRELL_HARTIP_PSK_FILE) on this, the
  // GUI thread, once no call into the library runs.
  void takeKeyFile();

  Configurator& core_;
  QWidget* window_;
  FileDialogs fileDialogs_ = desktopFileDialogs();
  std::array<QAction*, kComPortCount> comports_{};
  std::array<QString, kComPortCount> chosenDevices_;
  std::array<QString, kComPortCount> startDevices_;  // given by the environment at start
  QString chosenKeyFile_;
  QString startKeyFile_;  // given by the environment at start
  QString historyChoice_;
  QAction* q5_ = nullptr;
  QAction* q50_ = nullptr;
  std::array<QAction*, std::size(kVersionItems)> versions_{};
};

}  // namespace velk
