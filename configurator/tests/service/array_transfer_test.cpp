// The DEBUG page's array transfers against a scripted device: blocks that
// fail, cancelling, and files that cannot be made or read.
#include "service/array_transfer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <set>

#include "model/form_state.h"
#include "model/window_operations.h"
#include "support/scripted_device.h"

namespace velk {
namespace {

class ArrayTransferTest : public ScriptedDeviceTest {
 protected:
  ArrayTransferTest() {
    // Byte i of the device's memory holds i; block b of a read is (1, b div 256, b mod 256, count).
    answer(252, [this](const Bytes& request) -> std::optional<Bytes> {
      const int block = request[1] * 256 + request[2];
      if (failing_.count(block)) return std::nullopt;
      Bytes data;
      for (int i = 0; i < request[3]; ++i) data.push_back(static_cast<std::uint8_t>(28 * block + i));
      return data;
    });
    answer(253, [this](const Bytes& request) -> std::optional<Bytes> {
      if (failing_.count(request[2])) return std::nullopt;
      return request;
    });
    form().setText(kArrayLength, "100");
    form().setText(kDataSize, "1");
  }

  std::vector<std::string> requests(int command) const {
    std::vector<std::string> found;
    for (const SentCommand& command_ : sent())
      if (command_.command == command) found.push_back(command_.request);
    return found;
  }
  QStringList arrayFile() const {
    QFile file(dir_.filePath(kReadArrayFileName));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return QString::fromLatin1(file.readAll()).split('\n');
  }
  void writeNumbers(const QString& text) const {
    QFile file(dir_.filePath(kWriteArrayFileName));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.toLatin1());
  }

  QTemporaryDir dir_;
  std::shared_ptr<ArrayGrid> grid_ = std::make_shared<ArrayGrid>();
  std::shared_ptr<TransferCancel> cancel_ = std::make_shared<TransferCancel>();
  std::set<int> failing_;
};

TEST_F(ArrayTransferTest, AFailedBlockIsNoDataInTheGridNorInTheFile) {
  failing_ = {1};
  runSteps(job(), readArray(grid_, cancel_, dir_.path()));
  EXPECT_EQ(requests(252).size(), 5u);  // blocks of 28, 28 (twice: it failed), 28, 16
  EXPECT_EQ(requests(252).back(), "01000310");
  EXPECT_EQ(grid_->cell(27, ArrayGrid::Read), "27");
  EXPECT_EQ(grid_->cell(28, ArrayGrid::Element), "28");
  EXPECT_EQ(grid_->cell(28, ArrayGrid::Read), "");
  EXPECT_EQ(grid_->cell(55, ArrayGrid::Read), "");
  EXPECT_EQ(grid_->cell(56, ArrayGrid::Read), "56");
  const QStringList lines = arrayFile();
  ASSERT_EQ(lines.size(), 101);  // 100 lines and the end after the last
  EXPECT_EQ(lines[27], "27");
  EXPECT_EQ(lines[28], "");
  EXPECT_EQ(lines[99], "99");
  EXPECT_EQ(form().text(kElementsDone), "100");
  EXPECT_EQ(form().text(kStatusBar),
            "Read array: 1 of 4 blocks failed, saved in " + dir_.filePath(kReadArrayFileName));
  EXPECT_EQ(form().text(kArrayFile), dir_.filePath(kReadArrayFileName));
}

TEST_F(ArrayTransferTest, CancelStopsBetweenBlocksAndKeepsWhatWasRead) {
  const StepJob steps = readArray(grid_, cancel_, dir_.path());
  ASSERT_TRUE(steps.step(job()));
  ASSERT_TRUE(steps.step(job()));
  cancel_->request();
  EXPECT_FALSE(steps.step(job()));
  EXPECT_EQ(requests(252).size(), 2u);
  EXPECT_EQ(arrayFile().size(), 57);
  EXPECT_TRUE(form().text(kStatusBar).startsWith("Read array cancelled after 2 of 4 blocks"));
}

TEST_F(ArrayTransferTest, AFileThatCannotBeMadeOrReadIsReported) {
  QSignalSpy errors(&core_.operations, &WindowOperations::errorReported);
  const QString missing = dir_.filePath("no such folder");
  runSteps(job(), readArray(grid_, cancel_, missing));
  EXPECT_EQ(grid_->cell(99, ArrayGrid::Read), "99");  // the grid still shows what was read
  EXPECT_TRUE(form().text(kStatusBar).endsWith("not saved in a file"));

  runSteps(job(), writeArray(grid_, cancel_, missing));
  EXPECT_TRUE(requests(253).empty());
  EXPECT_EQ(form().text(kElementsDone), "");
  EXPECT_EQ(form().text(kStatusBar), "Write array: nothing was written");
  settle();
  ASSERT_EQ(errors.size(), 2);
  EXPECT_TRUE(errors[0][0].toString().startsWith(QDir(missing).filePath(kReadArrayFileName) +
                                                 " could not be created"));
  EXPECT_TRUE(
      errors[1][0].toString().startsWith(QDir(missing).filePath(kWriteArrayFileName) + " could not be read"));
}

TEST_F(ArrayTransferTest, WriteSendsTheNumbersUpToTheFirstTextThatIsNoneAndCountsFailedBlocks) {
  form().setText(kDataSize, "2");
  QString numbers;
  for (int i = 0; i < 30; ++i) numbers += QString::number(i == 0 ? -2 : 256 + i) + (i % 7 ? " " : "\n");
  writeNumbers(numbers + "end 1 2");
  failing_ = {1};
  runSteps(job(), writeArray(grid_, cancel_, dir_.path()));
  const auto writes = requests(253);
  ASSERT_EQ(writes.size(), 4u);  // 60 bytes: 24, 24 (twice: it failed) and 12
  EXPECT_EQ(writes[0].substr(0, 16), "01000000FEFF0101");
  EXPECT_EQ(writes[3], "01000200180119011A011B011C011D01");
  EXPECT_EQ(grid_->cell(0, ArrayGrid::Written), "-2");
  EXPECT_EQ(grid_->cell(29, ArrayGrid::Written), "285");
  EXPECT_EQ(form().text(kElementsDone), "30");
  EXPECT_EQ(form().text(kStatusBar), "Write array: 1 of 3 blocks failed");
}

}  // namespace
}  // namespace velk
