#include "pages/setup_operations.h"

#include <QSignalSpy>

#include "support/scripted_device.h"

namespace velk {
namespace {

constexpr std::uint8_t kInchCode = 47;

// The command 3 reply: loop current, then unit code and value of each slot.
Bytes dynamicVariables(std::uint8_t positionUnit) {
  return f32(12) + Bytes{positionUnit} + f32(40) + Bytes{57} + f32(50) + Bytes{32} + f32(21) + Bytes{7} +
         f32(5.5f);
}

class SetupOperations : public ScriptedDeviceTest {
 protected:
  // A device with settings other than the page's start values.
  void answerAsALinearValveInInches() {
    answer(175, Bytes{1});
    answer(179, Bytes{80});
    answer(3, dynamicVariables(kInchCode));
    answer(153, Bytes{2});
    answer(139, Bytes{0});
    answer(183, f32(4.5f) + f32(19.5f));
    answer(177, Bytes{1});
    answer(15, Bytes{0, 0, 57} + f32(95) + f32(5) + f32(0) + Bytes{0, 62});
    answer(185, [](const Bytes& r) -> Bytes { return {r[0], static_cast<std::uint8_t>(r[0] ? 2 : 0)}; });
    answer(187, [](const Bytes& r) -> Bytes { return Bytes{r[0]} + f32(r[0] ? 98.5f : 1.5f); });
    answer(189, [](const Bytes& r) -> Bytes { return Bytes{r[0]} + f32(r[0] ? 97.0f : 2.0f); });
  }
  void answerEveryWrite() { echoWrites({174, 178, 152, 138, 182, 176, 35, 184, 186, 188}); }
};

TEST_F(SetupOperations, ReadsItsFourteenItemsInOrderIntoTheControls) {
  answerAsALinearValveInInches();
  readSetup(job(), Sender::Click);

  const std::vector<SentCommand> expected = {
      {175, "", "Reading actuator type..."},
      {179, "", "Reading stroke..."},
      {3, "", "Reading stroke..."},
      {153, "", "Reading actuator size..."},
      {139, "", "Reading actuator function..."},
      {183, "", "Reading current range..."},
      {177, "", "Reading direction..."},
      {15, "", "Reading travel range..."},
      {185, "00", "Reading travel control..."},
      {185, "01", "Reading travel control..."},
      {187, "00", "Reading travel control..."},
      {187, "01", "Reading travel control..."},
      {189, "00", "Reading travel control..."},
      {189, "01", "Reading travel control..."},
  };
  EXPECT_EQ(sent(), expected);

  const std::pair<const char*, const char*> shown[] = {
      {"ComboBoxActuatorType", "Linear"}, {"EditStroke", "3.15"},  // 80 mm
      {"LabelStrokeUnit", "inch"},        {"ComboBoxPosition", "inch"},
      {"ComboBoxActuatorSize", "Large"},  {"ComboBoxActuatorFunction", "Double act"},
      {"EditCurrentRangeMin", "4.5"},     {"EditCurrentRangeMax", "19.5"},
      {"RadioGroupDirection", "Reverse"}, {"EditTravelRangeMin", "5"},
      {"EditTravelRangeMax", "95"},       {"ComboBoxControlLow", "Free"},
      {"ComboBoxControlHigh", "Limited"}, {"EditCutoffLow", "1.5"},
      {"EditCutoffHigh", "98.5"},         {"EditLimitedLow", "2"},
      {"EditLimitedHigh", "97"},
  };
  for (const auto& [control, text] : shown) EXPECT_EQ(form().text(control), text) << control;
  EXPECT_TRUE(form().enabled("GroupBoxLinear"));
  EXPECT_EQ(core_.window.PositionUnitIndex.load(), 3);
  EXPECT_EQ(form().text(kStatusBar), "");
  settle();
  EXPECT_EQ(form().text(kCommunicatingText), "");
}

// What the device answers that the page cannot show leaves the controls as
// they were; the read goes on with the next item.
TEST_F(SetupOperations, KeepsControlsForFailedItemsAndCodesWithoutAnItem) {
  struct Case {
    const char* what;
    int command;
    Bytes reply;  // empty: the command fails
    const char* control;
    const char* shown;
  };
  const Case cases[] = {
      {"actuator type 2", 175, {2}, "ComboBoxActuatorType", "Rotating"},
      {"actuator size 4", 153, {4}, "ComboBoxActuatorSize", "Medium"},
      {"function 5 is double", 139, {5}, "ComboBoxActuatorFunction", "Double act"},
      {"direction 2", 177, {2}, "RadioGroupDirection", "Direct"},
      {"travel control 3", 185, {0, 3}, "ComboBoxControlLow", "Cutoff"},
      {"current range fails", 183, {}, "EditCurrentRangeMax", "20"},
      {"cutoff fails", 187, {}, "EditCutoffHigh", "99.9"},
  };
  for (const Case& c : cases) {
    applySetupDefaults(form(), core_.window);
    answerAsALinearValveInInches();
    if (c.reply.empty())
      fail(c.command);
    else
      answer(c.command, c.reply);
    readSetup(job(), Sender::Sequence);
    EXPECT_EQ(form().text(c.control), c.shown) << c.what;
    EXPECT_EQ(form().text("EditLimitedHigh"), "97") << c.what << ": the read went on";
  }
}

// Without the position unit the stroke stays in the unit its label names.
TEST_F(SetupOperations, StrokeReadWithoutThePositionUnitIsShownInTheLabelsUnit) {
  answerAsALinearValveInInches();
  answer(179, Bytes{50});
  fail(3);
  form().setText("EditStroke", "3");
  form().setText("LabelStrokeUnit", "inch");
  readSetup(job(), Sender::Sequence);
  EXPECT_EQ(form().text("EditStroke"), "1.97");
  EXPECT_EQ(form().text("LabelStrokeUnit"), "inch");
}

TEST_F(SetupOperations, SendsItsThirteenItemsWithTheirRequests) {
  answerEveryWrite();
  const std::pair<const char*, const char*> typed[] = {
      {"ComboBoxActuatorType", "Linear"},
      {"EditStroke", "1.97"},
      {"LabelStrokeUnit", "inch"},
      {"ComboBoxActuatorSize", "Large"},
      {"ComboBoxActuatorFunction", "Double act"},
      {"EditCurrentRangeMin", "4.5"},
      {"EditCurrentRangeMax", "19.5"},
      {"RadioGroupDirection", "Reverse"},
      {"EditTravelRangeMin", "5"},
      {"EditTravelRangeMax", "95"},
      {"ComboBoxControlLow", "Free"},
      {"ComboBoxControlHigh", "Limited"},
      {"EditCutoffLow", "-5"},
      {"EditCutoffHigh", "98.5"},
      {"EditLimitedLow", "2"},
      {"EditLimitedHigh", "97"},
  };
  for (const auto& [control, text] : typed) form().setText(control, text);
  core_.window.PositionUnitIndex.store(0);  // the travel range goes in percent all the same

  sendSetup(job(), Sender::Click);

  const std::vector<SentCommand> expected = {
      {174, "01", "Sending actuator type..."},
      {178, "32", "Sending stroke..."},  // 1.97 inch is 50 mm
      {152, "02", "Sending actuator size..."},
      {138, "00", "Sending actuator function..."},
      {182, hex(f32(4.5f) + f32(19.5f)), "Sending current range..."},
      {176, "01", "Sending direction..."},
      {35, hex(Bytes{57} + f32(95) + f32(5)), "Sending travel range..."},
      {184, "0000", "Sending travel control..."},
      {184, "0102", "Sending travel control..."},
      {186, hex(Bytes{0} + f32(-5)), "Sending travel control..."},
      {186, hex(Bytes{1} + f32(98.5f)), "Sending travel control..."},
      {188, hex(Bytes{0} + f32(2)), "Sending travel control..."},
      {188, hex(Bytes{1} + f32(97)), "Sending travel control..."},
  };
  EXPECT_EQ(sent(), expected);
  EXPECT_EQ(form().text(kStatusBar), "");
}

// Texts that are no item go as the fallback codes; a field that holds no
// number is not sent and the user is told; everything else still goes.
TEST_F(SetupOperations, SendsFallbackCodesAndSkipsFieldsThatHoldNoNumber) {
  answerEveryWrite();
  fail(174);  // a failed item does not stop the send
  form().setText("ComboBoxActuatorSize", "Huge");
  form().setText("ComboBoxActuatorFunction", "");
  form().setText("ComboBoxControlHigh", "Closed");
  form().setText("EditCurrentRangeMax", "2O");
  form().setText("EditCutoffLow", "");
  QSignalSpy errors(&core_.operations, &WindowOperations::errorReported);

  sendSetup(job(), Sender::Sequence);

  std::map<int, std::vector<std::string>> requests;
  for (const SentCommand& s : sent()) requests[s.command].push_back(s.request);
  EXPECT_EQ(requests[152], std::vector<std::string>{"03"});
  EXPECT_EQ(requests[138], std::vector<std::string>{"00"});
  EXPECT_EQ(requests[184], (std::vector<std::string>{"0001", "0102"}));
  EXPECT_EQ(requests.count(182), 0u);
  EXPECT_EQ(requests[186], std::vector<std::string>{hex(Bytes{1} + f32(99.9f))});
  EXPECT_EQ(sent().size(), 12u);  // the failed 174 is tried twice
  ASSERT_EQ(errors.size(), 2);
  EXPECT_EQ(errors[0][0].toString(), "The current range was not sent: \"2O\" is not a number.");
}

TEST_F(SetupOperations, DefaultsWriteDecimalsWithTheLocalesSeparator) {
  core_.window.setDecimalSeparator(",");
  applySetupDefaults(form(), core_.window);
  EXPECT_EQ(form().text("EditCutoffLow"), "0,1");
  EXPECT_EQ(form().text("EditCutoffHigh"), "99,9");
  EXPECT_EQ(form().text("ComboBoxActuatorFunction"), "Single act");
  EXPECT_EQ(form().items("ComboBoxActuatorFunction"), (QStringList{"Single act", "Double act"}));
  EXPECT_FALSE(form().enabled("GroupBoxLinear"));
}

}  // namespace
}  // namespace velk
