// What the service pages do when the device fails them, against a scripted
// device: nothing is copied, shown or reported as done that did not happen.
#include <gtest/gtest.h>

#include "model/form_state.h"
#include "model/window_operations.h"
#include "service/debug_operations.h"
#include "service/irs_operations.h"
#include "service/limits_operations.h"
#include "support/scripted_device.h"

namespace velk {
namespace {

class FailingDevice : public ScriptedDeviceTest {
 protected:
  int count(int command) const {
    return static_cast<int>(std::count_if(sent().begin(), sent().end(),
                                          [command](const SentCommand& s) { return s.command == command; }));
  }
};

TEST_F(FailingDevice, ATableThatCannotBeReadIsNotCopiedAndNothingIsReadThroughIt) {
  form().setText(kDebugVariableControls[0].name, "old");
  answer(252, [](const Bytes& request) -> std::optional<Bytes> {
    if (request[0] == 0 && request[2] == 1) return std::nullopt;  // the table's second block
    return Bytes(request[3], 0x41);
  });
  echoWrites({253});
  readDebugVariableNames(job(), Sender::Click);
  EXPECT_EQ(count(253), 0);
  EXPECT_EQ(count(252), 1 + 2);  // the first block, the second tried twice
  EXPECT_EQ(form().text(kStatusBar), "Table 3 could not be read: table 1 was left as it was");
  EXPECT_EQ(form().text(kDebugVariableControls[0].name), "old");
}

TEST_F(FailingDevice, AnArrayStopsAtAChunkThatFailsOrBringsNoData) {
  // Array of 100 bytes whose second chunk fails; then one whose second chunk
  // is empty although 77 bytes remain: a short chunk, no end of the array.
  for (const bool fails : {true, false}) {
    answer(250, [fails](const Bytes& request) -> std::optional<Bytes> {
      Bytes reply{request[0], request[1], request[2], 0, 100};
      if (request[1] == 1 && fails) return std::nullopt;
      if (request[1] == 0) reply.insert(reply.end(), 23, 1);
      return reply;
    });
    runSteps(job(), getArray(std::make_shared<TransferCancel>()));
    const QList<QStringList> rows = form().rows(kIrsArrayGrid);
    EXPECT_EQ(rows[10], (QStringList{"10", "257"}));
    EXPECT_EQ(rows[11][0], "Failed") << fails;
    EXPECT_EQ(rows[12][0], "");
  }
  EXPECT_EQ(count(250), 3 + 2);  // the first run's failed chunk twice
  EXPECT_TRUE(form().lines(kCommunicationLog).last().endsWith(" : reply too short (5 of 28 bytes)"));
}

TEST_F(FailingDevice, ALimitDownloadWithAFailedChunkIsNotDone) {
  setLimitDefaults(form(), window());
  answer(250, [](const Bytes& request) -> std::optional<Bytes> {
    if (request[1] == 3) return std::nullopt;
    return request;
  });
  downloadLimits(job(), Sender::Click);
  EXPECT_EQ(count(250), 8);  // every chunk, the failed one twice
  EXPECT_EQ(form().text(kLimitsMessage), "Download incomplete: 1 of 7 chunks failed");
}

}  // namespace
}  // namespace velk
