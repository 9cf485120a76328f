#include "pages/tuning_operations.h"

#include <QSignalSpy>

#include "support/scripted_device.h"

namespace velk {
namespace {

class TuningOperations : public ScriptedDeviceTest {
 protected:
  TuningOperations() {
    window().DeviceType.store(kDeviceTypeQ5);
    window().DeviceVersion.store(101);
    const std::pair<const char*, const char*> typed[] = {
        {"EditOpenTime", "2.5"},     {"EditCloseTime", "3"},    {"EditDeadBand", "0.8"},
        {"EditPID_P", "7"},          {"EditPID_I", "0.5"},      {"EditPID_D", "0.25"},
        {"EditMinpulseUp", "15"},    {"EditMinpulseUp2", "16"}, {"EditMinpulseDn", "300"},
        {"EditMinpulseDn2", "65535"}};
    for (const auto& [control, text] : typed) form().setText(control, text);
  }
  static std::string floats(std::initializer_list<float> values) {
    Bytes bytes;
    for (float value : values) bytes = bytes + f32(value);
    return hex(bytes);
  }
};

TEST_F(TuningOperations, ReadsAndSendsItsStepsWithTheirProgressTexts) {
  answer(171, f32(1) + f32(2));
  answer(173, f32(1));
  answer(169, f32(1) + f32(2) + f32(3));
  answer(242, Bytes{0, 1, 0, 2, 0, 3, 0, 4});
  readTuning(job(), Sender::Click);
  echoWrites({170, 172, 168, 243});
  sendTuning(job(), Sender::Click);

  const std::vector<SentCommand> expected = {
      {171, "", "Reading open/close time..."},
      {173, "", "Reading deadband..."},
      {169, "", "Reading PID parameters..."},
      {242, "", "Reading minpulses..."},
      {170, floats({1, 2}), "Sending open/close time..."},  // open time first
      {172, floats({1}), "Sending deadband..."},
      {168, floats({1, 2, 3}), "Sending PID parameters..."},
      {243, "0001000200030004", "Sending minpulses..."},
  };
  EXPECT_EQ(sent(), expected);
  EXPECT_EQ(form().text(kStatusBar), "");
}

// A step that failed, or whose text is no number, hides the next step's
// progress text; the commands after it go all the same. A field that holds
// no number is named to the user and its step not sent.
TEST_F(TuningOperations, AStepThatFailsOrIsNotSentLeavesTheOthersGoing) {
  QSignalSpy told(&core_.operations, &WindowOperations::errorReported);
  echoWrites({172, 168, 243});
  fail(170);
  form().setText("EditDeadBand", "0,8");
  form().setText("EditMinpulseDn", "70000");
  sendTuning(job(), Sender::Sequence);

  const std::vector<SentCommand> expected = {
      {170, floats({2.5f, 3}), "Sending open/close time..."},
      {170, floats({2.5f, 3}), "Sending open/close time..."},  // the second attempt
      {168, floats({7, 0.5f, 0.25f}), "Sending open/close time..."},
  };
  EXPECT_EQ(sent(), expected);
  settle();
  ASSERT_EQ(told.size(), 2);
  EXPECT_TRUE(told.at(0).at(0).toString().contains("dead band"));
  EXPECT_TRUE(told.at(1).at(0).toString().contains("Minpulse Dn"));
  EXPECT_EQ(form().lines(kCommunicationLog).size(), 1);  // the failed 170
}

}  // namespace
}  // namespace velk
