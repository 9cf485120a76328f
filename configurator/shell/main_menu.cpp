#include "shell/main_menu.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

#include "comm/configurator.h"
#include "history/history_location.h"
#include "registry/configuration.h"
#include "shell/about_box.h"
#include "shell/connection_check_dialog.h"
#include "shell/program_folders.h"
#include "shell/readme_viewer.h"
#include "shell/report_command.h"
#include "shell/serial_device_dialog.h"
#include "ui/form_binder.h"

namespace velk {

namespace {

QMenu* addMenu(QMenuBar* bar, const char* caption, const char* hint) {
  QMenu* menu = bar->addMenu(caption);
  menu->menuAction()->setStatusTip(hint);
  return menu;
}

// A device named in the environment (MIRELL_COM<n>) holds for this run.
QString environmentDevice(int port) {
  return qEnvironmentVariable(QString("MIRELL_COM%1").arg(port).toLatin1().constData());
}

}  // namespace

MainMenu::MainMenu(Configurator& core, FormBinder& binder, const ProgramPaths& paths, QMenuBar* bar,
                   QWidget* window)
    : QObject(window), core_(core), window_(window) {
  for (int port = 1; port <= kComPortCount; ++port) startDevices_[port - 1] = environmentDevice(port);
  startKeyFile_ = qEnvironmentVariable(kHartIpKeyFileVariable);
  buildFileMenu(bar, paths, binder);
  buildComportMenu(bar, binder);
  buildDeviceTypeMenu(bar);
  buildVersionMenu(bar);
  buildHelpMenu(bar, paths);
}

QAction* MainMenu::addItem(QMenu* menu, const char* name, const char* caption, const char* hint) {
  QAction* item = menu->addAction(caption);
  item->setObjectName(name);
  item->setStatusTip(hint);
  return item;
}

QAction* MainMenu::action(const QString& name) const { return window_->findChild<QAction*>(name); }

void MainMenu::buildFileMenu(QMenuBar* bar, const ProgramPaths& paths, FormBinder& binder) {
  QMenu* file = addMenu(bar, "&File", "Configuration file menu");
  QAction* items[] = {
      addItem(file, "FileDefault", "&Default", "Default settings in configurator"),
      addItem(file, "FileOpen", "&Open", "Open configuration file"),
      addItem(file, "FileSave", "&Save", "Save configuration file"),
      addItem(file, "FileSaveAs", "Save &As", "Save configuration file as"),
  };
  // Disabled while "Read All" or "Send All" runs.
  for (QAction* item : items) binder.bind(item, item->objectName());
  connect(items[0], &QAction::triggered, this, [this] { FileDefaultExecute(core_); });
  connect(items[1], &QAction::triggered, this,
          [this, &paths] { FileOpenExecute(core_, paths, fileDialogs_, window_); });
  connect(items[2], &QAction::triggered, this,
          [this, &paths] { FileSaveExecute(core_, paths, fileDialogs_, window_); });
  connect(items[3], &QAction::triggered, this,
          [this, &paths] { FileSaveAsExecute(core_, paths, fileDialogs_, window_); });
  file->addSeparator();
  connect(addItem(file, "FileReport", "Report...", "As-found/as-left report of the device from its history, as PDF"),
          &QAction::triggered, this,
          [this, &paths] { FileReportExecute(core_, paths, historyChoice_, fileDialogs_, window_); });
  file->addSeparator();
  QAction* exit = addItem(file, "FileExit", "E&xit", "Exit program");
  connect(exit, &QAction::triggered, this, &MainMenu::exitRequested);
}

void MainMenu::buildComportMenu(QMenuBar* bar, FormBinder& binder) {
  constexpr const char* kHint = "Comport selection menu";
  QMenu* menu = addMenu(bar, "&Comport", kHint);
  auto* group = new QActionGroup(this);
  for (int port = 1; port <= kComPortCount; ++port) {
    const QString name = QString("Comport%1").arg(port);
    QAction* item = menu->addAction(QString("Comport &%1").arg(port));
    item->setStatusTip(kHint);
    item->setCheckable(true);
    group->addAction(item);
    binder.bind(item, name);  // enabled only while not connected
    connect(item, &QAction::triggered, this, [this, port] { core_.window.ComPort.store(port); });
    comports_[port - 1] = item;
  }
  menu->addSeparator();
  QAction* devices = addItem(menu, "ComportDevices", "Serial &devices...",
                             "Choose the serial device or HART-IP address each comport opens");
  binder.bind(devices, "ComportDevices");  // like the ports, only while no port is open
  connect(devices, &QAction::triggered, this, &MainMenu::chooseSerialDevices);
  connect(addItem(menu, "ComportCheck", "Check &connection...",
                  "Check the serial devices, access to them and the modem's line"),
          &QAction::triggered, this, [this] {
            showPortDevices();
            showConnectionCheck(core_, window_);
          });
  // The device list is read from the system only when it is opened.
  connect(menu, &QMenu::aboutToShow, this, &MainMenu::showPortDevices);
}

void MainMenu::buildDeviceTypeMenu(QMenuBar* bar) {
  constexpr const char* kHint = "Field device type selection menu";
  QMenu* menu = addMenu(bar, "Device type", kHint);
  auto* group = new QActionGroup(this);
  q5_ = addItem(menu, "DeviceTypeQ5", "&Q5", kHint);
  q50_ = addItem(menu, "DeviceTypeQ50", "Q50", kHint);
  for (QAction* item : {q5_, q50_}) {
    item->setCheckable(true);
    group->addAction(item);
  }
  q5_->setChecked(true);
  connect(q5_, &QAction::triggered, this, [this] {
    core_.window.DeviceType.store(kDeviceTypeQ5);
    core_.operations.UpdateControlStates();
  });
  connect(q50_, &QAction::triggered, this, [this] {
    core_.window.DeviceType.store(kDeviceTypeQ50);
    core_.operations.UpdateControlStates();
  });
}

void MainMenu::buildVersionMenu(QMenuBar* bar) {
  constexpr const char* kHint = "Field device software version";
  QMenu* menu = addMenu(bar, "Version", kHint);
  auto* group = new QActionGroup(this);
  for (int i = 0; i < static_cast<int>(versions_.size()); ++i) {
    QAction* item = menu->addAction(kVersionItems[i].caption);
    item->setObjectName(QString("Version%1").arg(i));
    item->setStatusTip(kHint);
    item->setCheckable(true);
    group->addAction(item);
    const int version = kVersionItems[i].version;
    connect(item, &QAction::triggered, this, [this, version] {
      core_.window.DeviceVersion.store(version);
      core_.operations.UpdateControlStates();
    });
    versions_[i] = item;
  }
  versions_[kVersionItemUnknown]->setChecked(true);
}

void MainMenu::buildHelpMenu(QMenuBar* bar, const ProgramPaths& paths) {
  constexpr const char* kHint = "Help menu";
  QMenu* menu = addMenu(bar, "&Help", kHint);
  QAction* readme = addItem(menu, "HelpReadme", "View readme file", kHint);
  QAction* about = addItem(menu, "HelpAbout", "&About", kHint);
  const QString readmeFile = paths.readmeFile();
  connect(readme, &QAction::triggered, this,
          [this, readmeFile] { (new ReadmeViewer(readmeFile, window_))->show(); });
  connect(about, &QAction::triggered, this, [this] {
    TAboutBox box(window_);
    box.exec();
  });
}

void MainMenu::showSettings(const DeviceSettings& settings) {
  comports_[settings.comPort - 1]->setChecked(true);
  (settings.deviceType == kDeviceTypeQ50 ? q50_ : q5_)->setChecked(true);
  versions_[settings.versionItem]->setChecked(true);
  chosenDevices_ = settings.portDevices;
  chosenKeyFile_ = settings.hartIpKeyFile;
  takeKeyFile();
  showPortDevices();
}

void MainMenu::collectSettings(DeviceSettings& settings) const {
  settings.comPort = core_.window.ComPort.load();
  settings.deviceType = core_.window.DeviceType.load();
  settings.deviceVersion = core_.window.DeviceVersion.load();
  settings.portDevices = chosenDevices_;
  settings.hartIpKeyFile = chosenKeyFile_;
}

// Each item says which device its port opens: the environment's for this
// run, else the user's choice, else the port's default. The library learns
// of a choice through the environment, which changes only while no port is
// open (the items are disabled meanwhile; Connect writes it too).
void MainMenu::showPortDevices() {
  for (int port = 1; port <= kComPortCount; ++port) {
    const QString& fromEnvironment = startDevices_[port - 1];
    core_.window.setPortDevice(port, fromEnvironment.isEmpty() ? chosenDevices_[port - 1] : fromEnvironment);
    comports_[port - 1]->setText(QString("Comport &%1\t%2").arg(port).arg(core_.window.portDevice(port)));
  }
  core_.writeLinkEnvironment();
}

void MainMenu::chooseSerialDevices() {
  SerialDeviceDialog dialog(chosenDevices_, listSerialDevices(), chosenKeyFile_, window_);
  for (int port = 1; port <= kComPortCount; ++port) {
    if (!startDevices_[port - 1].isEmpty()) dialog.setPortFixed(port, startDevices_[port - 1]);
  }
  if (!startKeyFile_.isEmpty()) dialog.setKeyFileFixed(startKeyFile_);
  dialog.setHistoryStore(historyChoice_);
  if (const QString variable = qEnvironmentVariable(kHistoryVariable); !variable.isEmpty())
    dialog.setHistoryStoreFixed(variable);
  if (dialog.exec() != QDialog::Accepted) return;
  chosenDevices_ = dialog.devices();
  chosenKeyFile_ = dialog.keyFile();
  takeKeyFile();
  showPortDevices();
  if (dialog.historyStore() != historyChoice_) {
    historyChoice_ = dialog.historyStore();
    Q_EMIT historyChoiceChanged(historyChoice_);
  }
}

// The key file of a secure HART-IP port: the environment's for this run,
// else the user's choice. It reaches the library with the ports' devices.
void MainMenu::takeKeyFile() {
  core_.window.setHartIpKeyFile(startKeyFile_.isEmpty() ? chosenKeyFile_ : startKeyFile_);
}

}  // namespace velk
