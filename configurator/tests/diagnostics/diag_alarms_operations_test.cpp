#include "diagnostics/diag_alarms_operations.h"

#include <gtest/gtest.h>

#include "support/core_fixture.h"

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

}  // namespace
}  // namespace velk
