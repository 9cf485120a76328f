#include "shell/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "comm/configurator.h"
#include "registry/config_file.h"
#include "registry/file_defaults.h"
#include "registry/page_registry.h"
#include "shell/about_box.h"
#include "shell/left_column.h"
#include "shell/main_menu.h"
#include "support/fake_hart_link.h"

namespace velk {
namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  ProgramPaths paths() const { return {dir_.filePath("settings.ini"), dir_.filePath("data")}; }

  struct Running {
    explicit Running(const ProgramPaths& paths)
        : core([](WindowState&) { return std::make_unique<FakeHartLink>(); }), window(core, paths) {
      window.show();
      QCoreApplication::processEvents();
    }
    template <typename Widget>
    Widget* find(const QString& name) {
      return window.findChild<Widget*>(name);
    }
    Configurator core;
    TForm1 window;
  };

  QTemporaryDir dir_;
};

TEST_F(MainWindowTest, OpensWithItsPagesMenusAndLeftColumn) {
  Running app(paths());
  EXPECT_EQ(app.window.windowTitle(), "Velk Configurator");

  const QStringList captions = {
      "CONTROL",     "CALIBRATE", "SETUP", "CHARACTERISTICS", "APPEARANCE", "TUNING", "ALARMS", "READ",
      "DIAG ALARMS", "DEBUG",     "MAP",   "DIAG 2",          "TRENDS",     "LOGS",   "DB",     "HART",
      "IRS",         "LIMITS"};
  QTabWidget* pages = app.window.pageControl();
  ASSERT_EQ(pages->count(), captions.size());
  for (int i = 0; i < pages->count(); ++i) EXPECT_EQ(pages->tabText(i), captions[i]);
  EXPECT_EQ(pages->widget(3)->objectName(), "TabSheetCara");
  EXPECT_EQ(pages->currentIndex(), 0);

  QStringList menus;
  QStringList hints;
  for (QAction* menu : app.window.menuBar()->actions()) {
    menus << menu->text();
    hints << menu->statusTip();
  }
  EXPECT_EQ(menus, (QStringList{"&File", "&Comport", "Device type", "Version", "&Help"}));
  EXPECT_EQ(hints,
            (QStringList{"Configuration file menu", "Comport selection menu",
                         "Field device type selection menu", "Field device software version", "Help menu"}));
  QAction* exit = app.find<QAction>("FileExit");
  ASSERT_NE(exit, nullptr);
  EXPECT_EQ(exit->text(), "E&xit");
  EXPECT_EQ(exit->statusTip(), "Exit program");

  const std::pair<const char*, const char*> texts[] = {
      {"StaticText4", "Connection :"}, {"StaticText1", "DISCONNECTED"}, {"StaticText5", "Status :"},
      {"StaticText2", "IN SERVICE"},   {"StaticText6", "Parameters :"}, {"StaticText7", ""},
      {"StaticText3", "Password :"},   {"LabelProtected", ""}};
  for (const auto& [name, text] : texts) {
    QLabel* label = app.find<QLabel>(name);
    ASSERT_NE(label, nullptr) << name;
    EXPECT_EQ(label->text(), text) << name;
  }
  EXPECT_TRUE(app.find<QPushButton>("ButtonConnect")->isEnabled());
  for (const char* name : {"ButtonInOutService", "ButtonReadAll", "ButtonSendAll", "ButtonFactoryReset"})
    EXPECT_FALSE(app.find<QPushButton>(name)->isEnabled()) << name;
  EXPECT_EQ(app.find<QLineEdit>("EditPassword")->text(), "7615");

  for (const char* folder : {"trends", "logs", "configurations", "signatures", "graphs"})
    EXPECT_TRUE(QDir(paths().programFolder).exists(folder)) << folder;
}

// On a 1280 x 720 screen the window, status bar and all, is in view, with
// every tab caption whole beside the left column; pages that need more room
// scroll inside the window.
// The modules name their controls as strings: one misspelt would be
// enabled, saved or defaulted in the form state with no widget showing it.
TEST_F(MainWindowTest, EveryControlTheModulesNameIsAWidgetOfTheWindow) {
  Running app(paths());
  QStringList names = fileDefaultControls();
  for (const ControlStateRule& rule : controlStateRules()) names += rule.controls;
  for (const ConfigEntry& entry : configurationEntries()) {
    names.append(entry.control);
    for (const char* also : entry.alsoSets) names.append(also);
  }
  names.removeDuplicates();
  for (const QString& name : names) EXPECT_NE(app.find<QObject>(name), nullptr) << name.toStdString();
}

TEST_F(MainWindowTest, FitsAScreenOf1280By720) {
  Running app(paths());
  const QSize screen(1280, 720);
  const int allTabs = app.window.pageControl()->tabBar()->sizeHint().width() + kLeftColumnWidth + 24;
  const QSize first = initialWindowSize(screen, allTabs);
  EXPECT_EQ(first.width(), allTabs);  // wide enough for every tab
  EXPECT_LE(first.width() + 16, screen.width());
  EXPECT_LE(first.height() + 40, screen.height());
  const QSize minimum = app.window.minimumSizeHint();
  EXPECT_LE(minimum.width(), first.width());
  EXPECT_LE(minimum.height(), first.height());
  EXPECT_EQ(initialWindowSize({1920, 1080}, 900), QSize(957, 746));  // room for the design size
}

TEST_F(MainWindowTest, AboutBoxNamesProgramAndVersion) {
  TAboutBox box;
  EXPECT_EQ(box.windowTitle(), "About");
  EXPECT_EQ(box.findChild<QLabel*>("ProductName")->text(), "Velk Configurator");
  EXPECT_EQ(box.findChild<QLabel*>("Version")->text(), "Version: 2.3");
  EXPECT_EQ(box.findChild<QPushButton*>("OKButton")->text(), "OK");
}

TEST_F(MainWindowTest, ClosingStopsTheWorkerAndKeepsTheMenuChoices) {
  {
    Running app(paths());
    app.find<QAction>("Comport3")->trigger();
    app.find<QAction>("DeviceTypeQ50")->trigger();
    app.find<QAction>("Version3")->trigger();  // "&9.1"
    EXPECT_EQ(app.core.window.DeviceVersion.load(), 91);
    app.find<QAction>("FileExit")->trigger();
    EXPECT_FALSE(app.window.isVisible());
    EXPECT_FALSE(app.core.commands.isRunning());
  }
  QSettings stored(paths().settingsFile, QSettings::IniFormat);
  EXPECT_EQ(stored.value("HARTConfig/ComPort").toString(), "3");
  EXPECT_EQ(stored.value("HARTConfig/DevType").toInt(), 607);
  EXPECT_EQ(stored.value("HARTConfig/DevVersion").toInt(), 91);

  Running again(paths());
  EXPECT_EQ(again.core.window.ComPort.load(), 3);
  EXPECT_TRUE(again.find<QAction>("Comport3")->isChecked());
  EXPECT_TRUE(again.find<QAction>("DeviceTypeQ50")->isChecked());
  EXPECT_TRUE(again.find<QAction>("Version3")->isChecked());
}

TEST_F(MainWindowTest, ComportItemsAreLockedWhileConnectedAndNameTheirDevice) {
  qputenv("MIRELL_COM2", "/tmp/velk-test-link");
  Running app(paths());
  qunsetenv("MIRELL_COM2");
  QAction* com2 = app.find<QAction>("Comport2");
  EXPECT_EQ(com2->text(), "Comport &2\t/tmp/velk-test-link");
  EXPECT_EQ(app.find<QAction>("Comport1")->text(), "Comport &1\t/dev/ttyS0");
  EXPECT_EQ(app.core.window.portDevice(2), "/tmp/velk-test-link");

  app.core.window.Connected.store(true);
  app.core.operations.UpdateControlStates();
  QCoreApplication::processEvents();
  EXPECT_FALSE(com2->isEnabled());
  EXPECT_TRUE(app.find<QPushButton>("ButtonReadAll")->isEnabled());

  app.core.window.Connected.store(false);
  app.core.operations.UpdateControlStates();
  QCoreApplication::processEvents();
  EXPECT_TRUE(com2->isEnabled());
}

TEST_F(MainWindowTest, CheckConnectionShowsTheFindingsAboutThePortInUse) {
  qputenv("MIRELL_COM1", "/tmp/velk-test-no-such-modem");
  Running app(paths());
  qunsetenv("MIRELL_COM1");
  app.find<QAction>("ComportCheck")->trigger();
  auto* findings = app.find<QPlainTextEdit>("ConnectionCheckFindings");
  ASSERT_NE(findings, nullptr);
  EXPECT_TRUE(findings->toPlainText().contains(
      "PROBLEM  COM1, the port in use, opens /tmp/velk-test-no-such-modem, which does not exist"))
      << findings->toPlainText().toStdString();
}

// The whole road of a failing command: a job on the command thread, the
// library's refusal, the line on the LOGS page.
TEST_F(MainWindowTest, AFailingCommandShowsInTheCommunicationLog) {
  Running app(paths());
  app.core.commands.post("read identifier", [](const JobContext& job) {
    auto tx = job.transaction();
    job.ExecuteCommand(tx, 0, 0);
  });
  auto* log = app.find<QPlainTextEdit>("Memo1");
  ASSERT_NE(log, nullptr);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !log->toPlainText().isEmpty(); }, 5000));
  EXPECT_EQ(log->toPlainText(),
            "Read Identifier :   Invalid instrument handle. Cannot address any instrument.");
  EXPECT_TRUE(app.find<QPlainTextEdit>("diag_alarms_log")
                  ->toPlainText()
                  .endsWith(" Error trend stable/ Setpoint stable/ Medium friction/ No excess windup"));
}

// Opened or given its defaults during "Send All" the file would be sent in
// part; saved during "Read All" it would hold a half-read configuration.
TEST_F(MainWindowTest, TheFileItemsWaitForReadAllAndSendAll) {
  Running app(paths());
  const char* items[] = {"FileDefault", "FileOpen", "FileSave", "FileSaveAs"};
  for (bool running : {true, false}) {
    app.core.window.SequenceRunning.store(running);
    app.core.operations.UpdateControlStates();
    QCoreApplication::processEvents();
    for (const char* item : items) EXPECT_EQ(app.find<QAction>(item)->isEnabled(), !running) << item;
    EXPECT_TRUE(app.find<QAction>("FileExit")->isEnabled());
  }
}

// The File menu's and the factory reset's errors have a single "Yes".
TEST_F(MainWindowTest, AnErrorShowsInABoxWithTheButtonItAskedFor) {
  Running app(paths());
  for (auto [button, expected] : {std::pair{WindowOperations::ErrorButton::Ok, QMessageBox::Ok},
                                  std::pair{WindowOperations::ErrorButton::Yes, QMessageBox::Yes}}) {
    app.core.operations.reportError("Only Digits", button);
    auto* box = app.window.findChild<QMessageBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Only Digits");
    EXPECT_EQ(box->standardButtons(), QMessageBox::StandardButtons(expected));
    delete box;
  }
}

// DIAG ALARMS has the self test's button too, with TUNING's handler.
TEST_F(MainWindowTest, DiagAlarmsStartsTheMemorySelfTest) {
  Running app(paths());
  app.core.commands.stop();  // the job stays queued as the button left it
  auto* button = app.window.pageControl()->widget(8)->findChild<QPushButton*>("ButtonSelfTest");
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->text(), "Memory self test");
  button->click();
  EXPECT_TRUE(app.core.activity.busy("DIAGNOSTICS"));
}

TEST_F(MainWindowTest, ConnectButtonAsksTheCommandThreadToConnect) {
  Running app(paths());
  app.core.commands.stop();  // so the request stays in the slot as the button left it
  app.core.window.RequestPending.store(0);
  QTest::mouseClick(app.find<QPushButton>("ButtonConnect"), Qt::LeftButton);
  EXPECT_TRUE(app.core.window.Connected.load());
  EXPECT_TRUE(app.core.window.WriteProtected.load());
  EXPECT_EQ(app.core.window.RequestCode.load(), kRequestConnection);
  EXPECT_EQ(app.core.window.RequestPending.load(), 1);
}

}  // namespace
}  // namespace velk
