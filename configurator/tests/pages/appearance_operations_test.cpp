#include "pages/appearance_operations.h"

#include "pages/logic/appearance_rules.h"
#include "support/scripted_device.h"

namespace velk {
namespace {

// The command 3 reply: loop current, then unit code and value of each of the
// four slots (position, setpoint, temperature, pressure).
Bytes dynamicVariables(std::uint8_t position, std::uint8_t setpoint, std::uint8_t temperature,
                       std::uint8_t pressure) {
  return f32(12) + Bytes{position} + f32(40) + Bytes{setpoint} + f32(50) + Bytes{temperature} + f32(21) +
         Bytes{pressure} + f32(5.5f);
}

class AppearanceOperations : public ScriptedDeviceTest {
 protected:
  void showTemperatures(const char* unit, const char* min, const char* max, const char* hysteresis,
                        const char* calibration) {
    form().setText("EditTempMin", min);
    form().setText("EditTempMax", max);
    form().setText("EditTempHysteresis", hysteresis);
    form().setText("EditCalTemp", calibration);
    for (const char* label :
         {"LabelTempMinUnit", "LabelTempMaxUnit", "LabelTempHysteresisUnit", "LabelCalTempUnit"})
      form().setText(label, unit);
  }
  void expectTemperatures(const char* unit, const char* min, const char* max, const char* hysteresis,
                          const char* calibration) {
    EXPECT_EQ(form().text("EditTempMin"), min);
    EXPECT_EQ(form().text("EditTempMax"), max);
    EXPECT_EQ(form().text("EditTempHysteresis"), hysteresis);
    EXPECT_EQ(form().text("EditCalTemp"), calibration);
    for (const char* label :
         {"LabelTempMinUnit", "LabelTempMaxUnit", "LabelTempHysteresisUnit", "LabelCalTempUnit"})
      EXPECT_EQ(form().text(label), unit) << label;
  }
};

TEST_F(AppearanceOperations, ReadsLanguageDisplayAndUnitsAndConvertsTheFieldsThatFollowThem) {
  answer(211, Bytes{3});
  answer(213, Bytes{2});
  answer(3, dynamicVariables(49, 39, 33, 6));
  form().setText("EditStroke", "1.97");
  form().setText("LabelStrokeUnit", "inch");
  showTemperatures("C", "0", "100", "5", "25");

  readAppearance(job(), Sender::Click);

  const std::vector<SentCommand> expected = {
      {211, "", "Reading language..."},
      {213, "", "Reading default display..."},
      {3, "", "Reading units..."},
      {3, "", "Reading units..."},
  };
  EXPECT_EQ(sent(), expected);
  EXPECT_EQ(form().text("ComboBoxLanguage"), "Francais");
  EXPECT_EQ(form().text("ComboBoxDefault"), "Set & Dev");
  EXPECT_EQ(form().text("ComboBoxPosition"), "mm");
  EXPECT_EQ(form().text("ComboBoxSetpoint"), "mA");
  EXPECT_EQ(form().text("ComboBoxTemp"), "F");
  EXPECT_EQ(form().text("ComboBoxPressure"), "psi");
  EXPECT_EQ(core_.window.PositionUnitIndex.load(), 1);
  EXPECT_EQ(form().text("EditStroke"), "50");
  EXPECT_EQ(form().text("LabelStrokeUnit"), "mm");
  expectTemperatures("F", "32", "212", "9", "77");
  EXPECT_EQ(form().text(kStatusBar), "");
}

TEST_F(AppearanceOperations, CodesWithoutAnItemAndUnknownUnits) {
  answer(211, Bytes{6});
  answer(213, Bytes{4});
  answer(3, dynamicVariables(0, 0, 0, 0));
  form().setText("ComboBoxLanguage", "Deutsch");
  form().setText("ComboBoxDefault", "Menu");
  form().setText("ComboBoxPosition", "mm");
  form().setText("ComboBoxPressure", "psi");

  readAppearance(job(), Sender::Sequence);
  EXPECT_EQ(form().text("ComboBoxLanguage"), "Deutsch");
  EXPECT_EQ(form().text("ComboBoxDefault"), "Menu");
  EXPECT_EQ(form().text("ComboBoxPosition"), "%");
  EXPECT_EQ(form().text("ComboBoxSetpoint"), "%");
  EXPECT_EQ(form().text("ComboBoxTemp"), "C");
  EXPECT_EQ(form().text("ComboBoxPressure"), "bar");
}

TEST_F(AppearanceOperations, AFailedUnitReadChangesNothingAndIsNotRepeated) {
  answer(211, Bytes{1});
  answer(213, Bytes{0});
  form().setText("ComboBoxPosition", "inch");
  core_.window.PositionUnitIndex.store(3);
  showTemperatures("K", "300", "350", "5", "298.1");

  readAppearance(job(), Sender::Sequence);
  // 211, 213 and one command 3, which ExecuteCommand tries twice
  EXPECT_EQ(sent().size(), 4u);
  EXPECT_EQ(sent().back().command, 3);
  EXPECT_EQ(form().text("ComboBoxLanguage"), "Svenska");
  EXPECT_EQ(form().text("ComboBoxPosition"), "inch");
  EXPECT_EQ(core_.window.PositionUnitIndex.load(), 3);
  expectTemperatures("K", "300", "350", "5", "298.1");
}

// Reading the temperature unit alone keeps the temperature fields meaning
// what they did, as reading all units does.
TEST_F(AppearanceOperations, ReadDeviceUnitAppliesOneKind) {
  answer(3, dynamicVariables(47, 143, 35, 12));
  showTemperatures("C", "0", "100", "5", "25");
  const JobContext context = job();
  PageOperation page(context, Sender::Sequence);

  EXPECT_TRUE(ReadDeviceUnit(page, UnitKind::Temperature));
  EXPECT_EQ(form().text("ComboBoxTemp"), "K");
  expectTemperatures("K", "273.1", "373.1", "5", "298.1");
  EXPECT_EQ(form().text("ComboBoxPosition"), "%");

  EXPECT_TRUE(ReadDeviceUnit(page, UnitKind::Unnamed));
  EXPECT_EQ(form().text("ComboBoxSetpoint"), "%");

  EXPECT_TRUE(ReadDeviceUnit(page, UnitKind::Setpoint));
  EXPECT_EQ(form().text("ComboBoxSetpoint"), "degrees");

  fail(3);
  EXPECT_FALSE(ReadDeviceUnit(page, UnitKind::Pressure));
  EXPECT_EQ(form().text("ComboBoxPressure"), "bar");
}

TEST_F(AppearanceOperations, SendsLanguageDisplayAndFourUnitWritesInOrder) {
  echoWrites({210, 212, 53});
  const std::pair<const char*, const char*> chosen[] = {
      {"ComboBoxLanguage", "espa\u00F1ol"}, {"ComboBoxDefault", "Menu"}, {"ComboBoxPosition", "inch"},
      {"ComboBoxSetpoint", "degrees"},      {"ComboBoxPressure", "kPa"}, {"ComboBoxTemp", "K"},
  };
  for (const auto& [control, text] : chosen) form().setText(control, QString::fromUtf8(text));
  form().setText("EditStroke", "50");
  showTemperatures("C", "0", "100", "5", "25");

  sendAppearance(job(), Sender::Click);

  const std::vector<SentCommand> expected = {
      {210, "05", "Sending language..."}, {212, "03", "Sending default display..."},
      {53, "002F", "Sending units..."},   {53, "018F", "Sending units..."},
      {53, "030C", "Sending units..."},   {53, "0223", "Sending units..."},
  };
  EXPECT_EQ(sent(), expected);
  EXPECT_EQ(core_.window.PositionUnitIndex.load(), 3);
  EXPECT_EQ(form().text("EditStroke"), "1.97");
  EXPECT_EQ(form().text("LabelStrokeUnit"), "inch");
  expectTemperatures("K", "273.1", "373.1", "5", "298.1");
}

// The fields follow the unit the page shows even when the device refuses
// it; only PositionUnitIndex, which names the device's unit, stays.
TEST_F(AppearanceOperations, FieldsFollowARefusedUnitAndTextsThatAreNoItemGoAsTheLastUnit) {
  echoWrites({210, 212});
  answer(53, [](const Bytes& request) -> std::optional<Bytes> {
    if (request[0] == kPositionVariable) return std::nullopt;
    return request;
  });
  form().setText("ComboBoxLanguage", "Klingon");
  form().setText("ComboBoxDefault", "");
  form().setText("ComboBoxPosition", "inch");
  form().setText("ComboBoxTemp", "Rankine");
  form().setText("EditStroke", "50");
  showTemperatures("C", "0", "100", "5", "25");

  sendAppearance(job(), Sender::Sequence);

  EXPECT_EQ(sent()[0].request, "05");
  EXPECT_EQ(sent()[1].request, "03");
  EXPECT_EQ(sent()[2].request, "002F");  // refused, and tried again
  EXPECT_EQ(sent()[3].request, "002F");
  EXPECT_EQ(sent().back().request, "0223");
  EXPECT_EQ(core_.window.PositionUnitIndex.load(), 0);
  EXPECT_EQ(form().text("EditStroke"), "1.97");
  EXPECT_EQ(form().text("ComboBoxTemp"), "K");
  expectTemperatures("K", "273.1", "373.1", "5", "298.1");
}

}  // namespace
}  // namespace velk
