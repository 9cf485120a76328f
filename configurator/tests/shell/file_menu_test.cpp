// The File menu's paths with its dialogs answered by the test: which name
// the dialogs propose, the ".txt" rule, and what a rejected file leaves.
#include "shell/file_menu.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "diagnostics/control_operations.h"
#include "model/program_paths.h"
#include "registry/configuration.h"
#include "support/core_fixture.h"

namespace velk {
namespace {

class FileMenuTest : public CoreTest {
 protected:
  FileMenuTest() {
    applyDefaults();
    paths_.programFolder = dir_.path();
    QDir().mkpath(paths_.configurationsFolder());
    dialogs_.open = [this](QWidget*, const QString& folder) {
      asked_.push_back("open " + folder);
      return answer_;
    };
    dialogs_.save = [this](QWidget*, const QString& folder, const QString& name) {
      asked_.push_back("save " + folder + name);
      return answer_;
    };
  }

  QString inFolder(const QString& name) const { return paths_.configurationsFolder() + name; }

  QTemporaryDir dir_;
  ProgramPaths paths_;
  FileDialogs dialogs_;
  ChosenFile answer_;
  QStringList asked_;
};

TEST_F(FileMenuTest, TheFirstSaveAsksForANameAndTheTextFilterAddsTxt) {
  struct Case {
    const char* typed;
    const char* saved;
  };
  for (const Case& c :
       {Case{"valve", "valve.txt"}, Case{"VALVE.TXT", "VALVE.TXT.txt"}, Case{"a.txt.old", "a.txt.old"}}) {
    window().setConfigFileName("config.txt");
    asked_.clear();
    answer_ = {inFolder(c.typed), 1};
    FileSaveExecute(core_, paths_, dialogs_, nullptr);
    EXPECT_EQ(asked_, QStringList{"save " + inFolder("config.txt")});
    EXPECT_EQ(window().ConfigFileName(), inFolder(c.saved));
    EXPECT_TRUE(QFile::exists(inFolder(c.saved))) << c.typed;
    EXPECT_TRUE(form().text(kStatusBar).endsWith(QString(" lines written to %1").arg(c.saved)));
  }
  // Now the name has a folder: Save writes at once.
  asked_.clear();
  FileSaveExecute(core_, paths_, dialogs_, nullptr);
  EXPECT_TRUE(asked_.isEmpty());
}

TEST_F(FileMenuTest, ARejectedFileChangesNothingAndItsNameIsNotKept) {
  QFile bad(inFolder("bad.txt"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("Velk Configurator 2.0\r\nSETPOINT 5\r\nSOURCE x\r\n");
  bad.close();
  window().setConfigFileName(inFolder("good.txt"));
  answer_ = {inFolder("bad"), 1};
  QSignalSpy reported(&core_.operations, &WindowOperations::errorReported);
  FileOpenExecute(core_, paths_, dialogs_, nullptr);
  settle();
  ASSERT_EQ(reported.size(), 1);
  EXPECT_EQ(reported[0][1].value<WindowOperations::ErrorButton>(), WindowOperations::ErrorButton::Yes);
  EXPECT_EQ(asked_, QStringList{"open " + paths_.configurationsFolder()});
  EXPECT_EQ(window().ConfigFileName(), inFolder("good.txt"));
  EXPECT_EQ(form().text("EditSetPoint"), "0");

  // With "All files" the name is taken as it is.
  answer_ = {inFolder("bad"), 2};
  QFile::copy(inFolder("bad.txt"), inFolder("bad"));
  FileOpenExecute(core_, paths_, dialogs_, nullptr);
  EXPECT_EQ(window().ConfigFileName(), inFolder("good.txt"));
}

// A file's setpoint source would be sent by the click its change raises;
// under a running calibration the device keeps its source, and so does the
// window.
TEST_F(FileMenuTest, AFileOpenedWhileACalibrationRunsLeavesTheSetpointSourceAlone) {
  QFile file(inFolder("hart.txt"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("Velk Configurator 2.0\r\nSOURCE 0\r\nSETPOINT 40\r\n");
  file.close();
  window().Connected.store(true);
  window().CalibrationRunning.store(true);
  window().SetPointSource.store(0);  // "Auto (4-20 mA)", item 1
  answer_ = {inFolder("hart.txt"), 1};
  FileOpenExecute(core_, paths_, dialogs_, nullptr);
  EXPECT_EQ(form().selectedIndex("RadioGroupSetPointSource"), 1);
  EXPECT_EQ(form().text("EditSetPoint"), "40");
  EXPECT_TRUE(form().text(kStatusBar).endsWith(kSourceKeptText)) << form().text(kStatusBar).toStdString();
  EXPECT_FALSE(core_.activity.busy("TabSheet1")) << "no source job posted";
}

}  // namespace
}  // namespace velk
