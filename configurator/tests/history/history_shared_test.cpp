// A plant's shared history on a throwaway PostgreSQL server: records made
// while it is down wait in the local file and reach it, each once, when it is
// back.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "history/history_store.h"
#include "history/history_values.h"
#include "support/postgres_server.h"

namespace velk {
namespace {

HistoryRecord makeRecord(const QString& tag) {
  return newHistoryRecord(HistoryKind::Read, {"Q5", 101, 4711, {}, tag, {}}, "Velk Configurator 2.0\r\n");
}

class SharedHistoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!server_.installed()) GTEST_SKIP() << server_.problem().toStdString();
    ASSERT_TRUE(server_.problem().isEmpty()) << server_.problem().toStdString();
  }

  // A technician's machine: its own local file, the plant's shared store.
  HistoryLocation machine(const QString& name) const {
    return {dir_.filePath(name + ".sqlite"), server_.address(), {}};
  }
  // The tags the shared store holds, newest first, as a machine with nothing
  // waiting sees them.
  QStringList sharedTags() {
    HistoryStore observer(machine("observer"));
    QStringList tags;
    for (const HistoryRecord& r : observer.list({}, 0, 1000).records) tags << r.device.tag;
    return tags;
  }

  PostgresServer server_;
  QTemporaryDir dir_;
};

TEST_F(SharedHistoryTest, RecordsMadeWhileTheServerIsDownWaitAndReachItOnceWhenItIsBack) {
  HistoryStore laptop(machine("laptop"));
  const HistoryWriteResult first = laptop.write(makeRecord("A"));
  ASSERT_TRUE(first.stored && !first.waiting) << first.message.toStdString();

  ASSERT_TRUE(server_.stop()) << server_.problem().toStdString();
  const HistoryWriteResult down = laptop.write(makeRecord("B"));
  EXPECT_TRUE(down.stored && down.waiting);
  EXPECT_TRUE(down.message.contains("cannot be reached")) << down.message.toStdString();
  {
    // Another run meanwhile sees what waits here, and says that is all it sees.
    HistoryStore nextRun(machine("laptop"));
    const HistoryPage page = nextRun.list({}, 0, 10);
    ASSERT_EQ(page.records.size(), 1u);
    EXPECT_EQ(page.records[0].device.tag, "B");
    EXPECT_TRUE(page.note.contains("only the records waiting here")) << page.note.toStdString();
    EXPECT_EQ(nextRun.sync().waiting, 1);
  }

  ASSERT_TRUE(server_.start()) << server_.problem().toStdString();
  // The next record takes the one waiting along, older first.
  const HistoryWriteResult back = laptop.write(makeRecord("C"));
  EXPECT_TRUE(back.stored && !back.waiting) << back.message.toStdString();
  EXPECT_EQ(sharedTags(), (QStringList{"C", "B", "A"}));
  const HistorySync nothingLeft = laptop.sync();
  EXPECT_EQ(nothingLeft.sent, 0);
  EXPECT_EQ(nothingLeft.waiting, 0);
}

TEST_F(SharedHistoryTest, ARecordThatReachedTheServerBeforeItsLocalCopyWasDroppedIsStoredOnce) {
  // As after a crash between the server's commit and the local delete.
  const HistoryRecord record = makeRecord("D");
  HistoryStore plant(machine("plant"));
  ASSERT_TRUE(plant.write(record).stored);
  ASSERT_TRUE(server_.stop());
  HistoryStore laptop(machine("laptop"));
  ASSERT_TRUE(laptop.write(record).waiting);
  ASSERT_TRUE(server_.start());

  const HistorySync sync = laptop.sync();
  EXPECT_EQ(sync.sent, 1);
  EXPECT_EQ(sync.waiting, 0);
  EXPECT_EQ(sharedTags(), QStringList{"D"});
}

}  // namespace
}  // namespace velk

namespace velk {
namespace {

// The shared store keeps the baselines of the plant; a mark needs it: one
// kept here could not follow its record there.
TEST_F(SharedHistoryTest, ABaselineIsMarkedInTheSharedStoreAndNotWhileItIsDown) {
  HistoryStore laptop(machine("laptop"));
  HistoryRecord first = newHistoryRecord(HistoryKind::Signature, {"Q5", 101, 4711, {}, "A", {}},
                                         historyValuesText({"Ramp signature", {1, 2}}));
  HistoryRecord second = first;
  second.id = QUuid::createUuid();
  ASSERT_TRUE(laptop.write(std::vector<HistoryRecord>{first, second}).stored);
  ASSERT_TRUE(laptop.setBaseline(first).marked);
  ASSERT_TRUE(laptop.setBaseline(second).marked);
  EXPECT_EQ(HistoryStore(machine("observer")).baseline(4711, "Ramp signature").record.id, second.id);

  ASSERT_TRUE(server_.stop()) << server_.problem().toStdString();
  const HistoryBaselineMark down = laptop.setBaseline(first);
  EXPECT_FALSE(down.marked);
  EXPECT_TRUE(down.error.contains("cannot be reached")) << down.error.toStdString();
  ASSERT_TRUE(server_.start()) << server_.problem().toStdString();
  // Reads so soon after the failure keep to this machine; a sync asks the server at once.
  laptop.sync();
  EXPECT_EQ(laptop.baseline(4711, "Ramp signature").record.id, second.id);
}

TEST_F(SharedHistoryTest, ReadsRightAfterAFailureKeepToTheLocalRecordsWhileWritesTryAgain) {
  HistoryStore laptop(machine("laptop"));
  ASSERT_TRUE(laptop.write(makeRecord("on the server")).stored);
  ASSERT_TRUE(server_.stop()) << server_.problem().toStdString();
  EXPECT_TRUE(laptop.list({}, 0, 10).note.contains("cannot be reached"));
  ASSERT_TRUE(server_.start()) << server_.problem().toStdString();

  // A server that did not answer is not waited for again at every read.
  const HistoryPage soon = laptop.list({}, 0, 10);
  EXPECT_TRUE(soon.note.contains("only the records waiting here")) << soon.note.toStdString();
  EXPECT_TRUE(soon.records.empty());
  // A record must reach the server as soon as it is back: the write tries, and the reads follow it.
  const HistoryWriteResult written = laptop.write(makeRecord("after"));
  EXPECT_TRUE(written.stored && !written.waiting) << written.message.toStdString();
  const HistoryPage after = laptop.list({}, 0, 10);
  EXPECT_TRUE(after.note.isEmpty()) << after.note.toStdString();
  EXPECT_EQ(after.records.size(), 2u);
}

}  // namespace
}  // namespace velk
