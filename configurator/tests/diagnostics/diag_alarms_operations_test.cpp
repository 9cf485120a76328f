#include "diagnostics/diag_alarms_operations.h"

#include <gtest/gtest.h>

#include "checks/additional_status.h"
#include "model/window_operations.h"
#include "support/core_fixture.h"
#include "support/scripted_memory.h"

namespace velk {
namespace {

class DiagAlarmsTest : public CoreTest {};

TEST_F(DiagAlarmsTest, Command48ShowsItsBitsMostSignificantFirstAndAFailureKeepsTheFields) {
  // Bytes 0 to 4 unused, byte 5 0xF3 (low four bits shown), byte 6 0xA5, integer at 7.
  fake_->setReply(48, {0, 0, {0, 0, 0, 0, 0, 0xF3, 0xA5, 0x80, 0x00, 0x00, 0x01}});
  form().setText("LabelSelfTest", "Self test running");
  ButtonReadDiagnosticsClick(job(), Sender::Click);
  EXPECT_EQ(form().text("Edit4"), "10100101");
  EXPECT_EQ(form().text("Edit5"), "0011");
  EXPECT_EQ(form().text("Edit6"), "10000000000000000000000000000001");
  EXPECT_EQ(form().text("LabelSelfTest"), "");
  EXPECT_EQ(fake_->sentCommands(), std::vector<int>{48});

  fake_->setReply(48, {1460, 0, {}});
  ButtonReadDiagnosticsClick(job(), Sender::Click);
  EXPECT_EQ(form().text("Edit4"), "10100101");
}

class AlarmUploadTest : public ScriptedMemoryTest {
 protected:
  std::vector<int> checkedBytes() {
    std::vector<int> checked;
    for (int byte = 0; byte < kDiagnosticAlarms; ++byte)
      if (form().checked(alarmCheckBox(byte))) checked.push_back(byte);
    return checked;
  }
};

TEST_F(AlarmUploadTest, AFailedBlockKeepsItsBoxesAndTheUploadSaysSo) {
  Bytes table(87, 0);
  table[1] = 1;      // first block
  table[30] = 1;     // second block, which fails
  table[85] = 0xFF;  // last shown; byte 86 is not
  table[86] = 1;
  setMemory(9, 0, table);
  form().setChecked(alarmCheckBox(28), true);  // what the second block's boxes showed before
  failBlocks({1});
  runSteps(job(), uploadAlarms());
  // The failed block is tried twice, and the upload goes on.
  EXPECT_EQ(memoryReads(),
            (std::vector<std::string>{"0900001C", "0900011C", "0900011C", "0900021C", "09000303"}));
  EXPECT_EQ(checkedBytes(), (std::vector<int>{1, 28, 85}));
  EXPECT_EQ(form().text(kUploadMessage), "Error in uploading");
  EXPECT_EQ(form().text(kStatusBar), "Error in uploading: 1 of 4 blocks failed");

  // All zero: every box unchecked, "No alarm" too.
  setMemory(9, 0, Bytes(87, 0));
  failBlocks({});
  runSteps(job(), uploadAlarms());
  EXPECT_TRUE(checkedBytes().empty());
  EXPECT_EQ(form().text(kUploadMessage), "Upload OK");
}

}  // namespace
}  // namespace velk
