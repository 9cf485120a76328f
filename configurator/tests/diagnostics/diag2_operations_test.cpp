// DIAG 2 against a scripted device: what "Configure" and "Upload" send, and
// the burst check boxes that exclude one another.
#include "diagnostics/diag2_operations.h"

#include <gtest/gtest.h>

#include "model/form_state.h"
#include "model/window_operations.h"
#include "model/window_state.h"
#include "support/scripted_memory.h"

namespace velk {
namespace {

class Diag2Test : public ScriptedMemoryTest {
 protected:
  Diag2Test() { echoWrites({51, 108}); }

  std::vector<std::string> checkedBoxes() {
    std::vector<std::string> checked;
    for (const char* box : kBurstBoxes)
      if (form().checked(box)) checked.push_back(box);
    return checked;
  }
};

TEST_F(Diag2Test, ConfigureSendsTheAssignmentAndTheCheckedBurstCommand) {
  struct Case {
    const char* name;
    std::array<int, 4> selections;
    const char* checkedBox;  // none: nullptr
    std::vector<SentCommand> sent;
  };
  const Case cases[] = {
      {"untouched", {-1, -1, -1, -1}, "CheckBoxBurst4chan", {{51, "FFFFFFFF", ""}, {108, "03", ""}}},
      {"setpoint", {0, 1, 2, 5}, "CheckBoxBurstSetpoint", {{51, "00010205", ""}, {108, "02", ""}}},
      {"no burst box", {0, 8, -1, 4}, nullptr, {{51, "0008FF04", ""}}},
  };
  for (const Case& c : cases) {
    const char* selectors[] = {"ComboBox3", "ComboBox4", "ComboBox5", "ComboBox6"};
    for (int i = 0; i < 4; ++i) form().setSelectedIndex(selectors[i], c.selections[i]);
    for (const char* box : kBurstBoxes) form().setChecked(box, c.checkedBox && QString(box) == c.checkedBox);
    const std::size_t before = sent().size();
    Button47Click(job());
    EXPECT_EQ(std::vector<SentCommand>(sent().begin() + static_cast<long>(before), sent().end()), c.sent)
        << c.name;
  }
}

TEST_F(Diag2Test, AtMostOneBurstBoxStaysChecked) {
  EXPECT_EQ(checkedBoxes(), std::vector<std::string>{"CheckBoxBurst4chan"});
  form().setChecked("CheckBoxBurstSetpoint", true);  // the click checked it
  burstBoxClicked(form(), "CheckBoxBurstSetpoint");
  EXPECT_EQ(checkedBoxes(), std::vector<std::string>{"CheckBoxBurstSetpoint"});
  form().setChecked("CheckBoxBurstSetpoint", false);  // a click on the checked box
  burstBoxClicked(form(), "CheckBoxBurstSetpoint");
  EXPECT_TRUE(checkedBoxes().empty());
}

TEST_F(Diag2Test, UploadReadsTheChosenTypesDataSetAndNothingForTheOthers) {
  for (Diag2Graph none : {Diag2Graph::None, Diag2Graph::Normal, Diag2Graph::ControlHistogram}) {
    form().setSelectedIndex(kGraphTypeSelector, static_cast<int>(none));
    runSteps(job(), uploadDiag2Data());
  }
  EXPECT_TRUE(sent().empty());

  // Pressure: four starts of 11 elements of 4 bytes, each in two blocks.
  for (int start = 0; start < 4; ++start) {
    Bytes block(44, 0);
    block[4] = static_cast<std::uint8_t>(start + 1);  // element 1
    block[8] = 0xFE;                                  // element 2: -2
    block[9] = block[10] = block[11] = 0xFF;
    setMemory(6, start, block);
  }
  form().setSelectedIndex(kGraphTypeSelector, static_cast<int>(Diag2Graph::PressureOverPosition));
  runSteps(job(), uploadDiag2Data());
  EXPECT_EQ(memoryReads(), (std::vector<std::string>{"0600001C", "06000110", "0601001C", "06010110",
                                                     "0602001C", "06020110", "0603001C", "06030110"}));
  const auto pressure = window().Diagnostics.dataSet(DiagDataSet::PressureCurve);
  EXPECT_EQ(pressure[1], 1);
  EXPECT_EQ(pressure[2], -2);
  EXPECT_EQ(pressure[34], 4);
  EXPECT_EQ(form().text(kStatusBar), "Upload OK");
}

}  // namespace
}  // namespace velk
