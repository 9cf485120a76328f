#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "comm/configurator.h"
#include "comm/link.h"
#include "support/core_fixture.h"

namespace velk {
namespace {

using Reply = FakeHartLink::Reply;

class ExecuteCommandTest : public CoreTest {
 protected:
  bool execute(int command, int byteCount = 0) {
    auto tx = core_.link.begin();
    return core_.link.ExecuteCommand(tx, command, byteCount);
  }
  QStringList log() const { return core_.form.lines(kCommunicationLog); }
};

struct FailureCase {
  const char* what;
  int handle;
  int command;
  Reply reply;
  const char* line;
};

TEST_F(ExecuteCommandTest, LogsEachFailureAsNameColonMessage) {
  const FailureCase cases[] = {
      {"no instrument",
       0,
       0,
       {},
       "Read Identifier :   Invalid instrument handle. Cannot address any instrument."},
      {"command not implemented",
       1,
       1,
       {15, 0x4000, {}},
       "Read Position : Slave Reports: Command not implemented! 16384"},
      {"response code with device status",
       1,
       148,
       {15, 0x4000 | 0x10, {}},
       "Reset Statistics : Slave Reports: Command not implemented! 16400"},
      {"device malfunction",
       1,
       3,
       {15, 0x0080, {}},
       "Read four variables and unit : Unspecified device malfunction! 128"},
      {"busy",
       1,
       159,
       {15, 0x2000, {}},
       "Start Auto Calibrate : Slave is busy. Its current task cannot be interrupted by this "
       "command. (0x2000) 8192"},
      {"empty catalogue name", 1, 9, {1460, 0, {}}, " : Timed out. Instrument didn't reply. "},
      {"above the catalogue", 1, 252, {16, 0, {}}, " : Checksum/Parity error in incoming message."},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.what);
    core_.form.setLines(kCommunicationLog, {});
    core_.window.InstrumentHandle.store(c.handle);
    fake_->setReply(c.command, c.reply);
    const size_t sentBefore = fake_->sentCommands().size();
    EXPECT_FALSE(execute(c.command));
    EXPECT_EQ(fake_->sentCommands().size() - sentBefore, 2u) << "two attempts";
    EXPECT_EQ(log(), QStringList{c.line});
  }
}

TEST_F(ExecuteCommandTest, SecondAttemptThatSucceedsLogsNothingAndLeavesTheReply) {
  int calls = 0;
  fake_->setResponder([&](int, const FakeHartLink::DataField&, int) {
    return ++calls == 1 ? Reply{1460, 0, {}} : Reply{0, 0, {0, 62, 97}};
  });
  auto tx = core_.link.begin();
  EXPECT_TRUE(core_.link.ExecuteCommand(tx, 0, 0));
  EXPECT_EQ(tx->GetInteger(1, 1), 62u);
  EXPECT_EQ(tx->GetInteger(2, 1), 97u);
  EXPECT_EQ(calls, 2);
  EXPECT_TRUE(log().isEmpty());
}

// A calibration's status polls fail unlogged; any other command that fails
// meanwhile is logged, and counted for the operation it belongs to.
TEST_F(ExecuteCommandTest, OnlyTransactionsLeftUnloggedKeepTheirFailuresOutOfTheLog) {
  core_.window.StopRequested.store(false);  // a calibration runs
  fake_->setReply(159, {1460, 0, {}});
  fake_->setReply(158, {1460, 0, {}});
  int failed = 0;
  JobContext counted = job();
  counted.failedCommands = &failed;
  {
    auto tx = counted.transaction();
    tx.leaveFailuresUnlogged();
    EXPECT_FALSE(counted.ExecuteCommand(tx, 159, 0));
  }
  EXPECT_TRUE(log().isEmpty());
  EXPECT_EQ(failed, 0);
  {
    auto tx = counted.transaction();
    EXPECT_FALSE(counted.ExecuteCommand(tx, 158, 0));
  }
  EXPECT_EQ(log(), QStringList{"Read Calibration status : Timed out. Instrument didn't reply. "});
  EXPECT_EQ(failed, 1);
}

TEST_F(ExecuteCommandTest, RequestDataReachesTheDevice) {
  std::vector<unsigned> seen;
  fake_->setResponder([&](int, const FakeHartLink::DataField& request, int byteCount) {
    seen.assign(request.begin(), request.begin() + byteCount);
    return Reply{};
  });
  auto tx = core_.link.begin();
  tx->SetInteger(0, 1, 1);
  tx->SetFloat(1, 99.9f);
  EXPECT_TRUE(core_.link.ExecuteCommand(tx, 186, 5));
  EXPECT_EQ(seen, (std::vector<unsigned>{1, 0x42, 0xC7, 0xCC, 0xCD}));
}

// Two threads doing whole transactions (fill, send, wait, read) must never
// be inside the library at the same time.
TEST_F(ExecuteCommandTest, TransactionsFromSeveralThreadsNeverInterleave) {
  fake_->setReplyDelayMicroseconds(20);
  fake_->setResponder([](int command, const FakeHartLink::DataField& request, int) {
    return Reply{0, 0, {static_cast<std::uint8_t>(command), request[0]}};
  });
  std::atomic<int> mismatches{0};
  auto worker = [&](int command) {
    for (int i = 0; i < 150; ++i) {
      auto tx = core_.link.begin();
      tx->SetInteger(0, 1, static_cast<unsigned>(i));
      if (!core_.link.ExecuteCommand(tx, command, 1) || tx->GetInteger(0, 1) != unsigned(command) ||
          tx->GetInteger(1, 1) != unsigned(i))
        ++mismatches;
    }
  };
  std::thread a(worker, 11);
  std::thread b(worker, 12);
  worker(13);
  a.join();
  b.join();
  EXPECT_FALSE(fake_->callsOverlapped());
  EXPECT_EQ(mismatches.load(), 0);
}

TEST_F(ExecuteCommandTest, AbandonedJobsGetNoFurtherTransaction) {
  std::stop_source stop;
  {
    auto tx = core_.link.begin(stop.get_token());  // free: granted
  }
  auto held = core_.link.begin();  // someone else is on the link
  std::atomic<bool> abandoned{false};
  std::thread waiting([&] {
    try {
      auto tx = core_.link.begin(stop.get_token());
    } catch (const TransactionAbandoned&) {
      abandoned = true;
    }
  });
  stop.request_stop();
  waiting.join();  // returns although the link is still held
  EXPECT_TRUE(abandoned);
  EXPECT_THROW(core_.link.begin(stop.get_token()), TransactionAbandoned);
}

}  // namespace
}  // namespace velk
