// The DEBUG page's widgets while an array transfer runs: the inputs are
// locked, "Cancel" alone stays usable and stops the transfer, and the grid
// grows with the elements read.
#include "service/debug_page.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <memory>

#include "model/form_state.h"
#include "model/program_paths.h"
#include "model/window_operations.h"
#include "service/array_transfer.h"
#include "support/scripted_device.h"
#include "support/wait_until.h"
#include "ui/form_binder.h"
#include "ui/page_context.h"

namespace velk {
namespace {

class DebugPageTest : public ScriptedDeviceTest {
 protected:
  DebugPageTest() : binder_(core_.form) {
    answer(252, [](const Bytes& request) { return Bytes(request[3], 7); });
    previousFolder_ = QDir::currentPath();
    QDir::setCurrent(folder_.path());  // where array.txt goes
    PageContext context{core_, binder_, paths_, "DEBUG"};
    page_.reset(createDebugPage(context));
    page_->show();
    core_.commands.start();
  }
  ~DebugPageTest() override {
    core_.commands.stop();
    QDir::setCurrent(previousFolder_);
  }

  QPushButton* button(const char* name) { return page_->findChild<QPushButton*>(name); }

  QTemporaryDir folder_;
  QString previousFolder_;
  FormBinder binder_;
  ProgramPaths paths_;
  std::unique_ptr<QWidget> page_;
};

TEST_F(DebugPageTest, CancelAloneStaysUsableWhileATransferRunsAndStopsIt) {
  auto* read = button("Button20");
  auto* cancel = button("ButtonArrayCancel");
  ASSERT_TRUE(read && cancel);
  EXPECT_FALSE(cancel->isEnabled());
  core_.form.setText(kArrayLength, "2000");  // 72 blocks: a step each turn of the command thread
  read->click();
  ASSERT_TRUE(waitUntil([&] { return cancel->isEnabled(); }));
  EXPECT_FALSE(read->isEnabled());
  cancel->click();
  ASSERT_TRUE(waitUntil([&] { return !cancel->isEnabled(); }));
  EXPECT_TRUE(read->isEnabled());
  EXPECT_TRUE(core_.form.text(kStatusBar).startsWith("Read array cancelled after"));
}

TEST_F(DebugPageTest, TheGridGrowsWithTheElementsRead) {
  auto* grid = page_->findChild<QTableView*>("StringGrid1");
  ASSERT_TRUE(grid);
  EXPECT_EQ(grid->model()->rowCount(), ArrayGrid::kInitialRows);
  core_.form.setText(kArrayLength, "60");
  core_.form.setText(kDataSize, "1");
  button("Button20")->click();
  ASSERT_TRUE(
      waitUntil([&] { return core_.form.text(kElementsDone) == "60" && grid->model()->rowCount() == 60; }));
  EXPECT_EQ(grid->model()->index(59, 1).data().toString(), "7");
  EXPECT_EQ(grid->model()->headerData(1, Qt::Horizontal).toString(), "Read");
}

}  // namespace
}  // namespace velk
