// The CHARACTERISTICS page against the simulated positioner: what the page
// sends, it reads back unchanged.
#include "pages/characteristics_operations.h"
#include "support/simulator_fixture.h"

namespace velk {
namespace {

class CharacteristicsEndToEnd : public SimulatorFixture {
 protected:
  void SetUp() override {
    startCharacteristicsPage(form(), window());
    attachInstrument();
    // The device takes a new characteristic only out of service.
    simulator().update_state([](sim::DeviceState& s) { s.service.out_of_service = true; });
  }

  void chooseCharacter(const QString& text) {
    form().setText(kComboBoxCharacter, text);
    ComboBoxCharacterChange(form(), window());
  }
};

TEST_F(CharacteristicsEndToEnd, AFixedCurveSentIsReadBack) {
  simulator().update_state(
      [](sim::DeviceState& s) { s.characteristic.transfer_function = sim::transfer_function::kQuickOpen; });
  ButtonCharacterReadClick(job(), Sender::Click);
  EXPECT_EQ(form().text(kComboBoxCharacter), "Quick open");

  chooseCharacter("Square root");
  ButtonCharacterSendClick(job(), Sender::Click);
  EXPECT_EQ(simulator().state().characteristic.transfer_function, sim::transfer_function::kSquareRoot);

  chooseCharacter("Linear");
  ButtonCharacterReadClick(job(), Sender::Click);
  EXPECT_EQ(form().text(kComboBoxCharacter), "Square root");
  EXPECT_EQ(form().text(kGroupBoxCurve), "Curve : Square root");
  EXPECT_TRUE(form().lines(kCommunicationLog).isEmpty())
      << form().lines(kCommunicationLog).join('\n').toStdString();
}

TEST_F(CharacteristicsEndToEnd, ACustomCurveOfNinePointsSentIsReadBackExactly) {
  chooseCharacter("Custom curve");
  form().setText(kComboBoxNumberOfPoints, "9");
  ComboBoxNumberOfPointsChange(form(), window(), [](const QString&) { return true; });
  form().setCell(kStringGridCurve, 2, 1, "20");
  form().setCell(kStringGridCurve, 6, 1, "77,7");  // no number here: becomes 75
  form().setCell(kStringGridCurve, 7, 1, "91.3");
  StringGridCurveExit(form(), window());
  const QList<QStringList> sentRows = form().rows(kStringGridCurve);
  const CustomCurve sent = window().CustomCurve.get();
  ASSERT_EQ(sent.count, 9);
  EXPECT_EQ(sent.output[6], 75.0f);

  ButtonCharacterSendClick(job(), Sender::Click);
  const sim::CharacteristicSettings device = simulator().state().characteristic;
  EXPECT_EQ(device.transfer_function, sim::transfer_function::kCustom);
  EXPECT_EQ(device.custom_point_count, 9);
  EXPECT_EQ(device.custom_points[2], (sim::CurvePoint{25.0f, 20.0f}));
  EXPECT_EQ(device.custom_points[7], (sim::CurvePoint{87.5f, 91.3f}));

  // The page starts afresh: the defaults and a straight custom curve of 33 points.
  window().CustomCurve.set(CustomCurve::straightLine(33));
  applyCharacteristicsDefaults(form(), window());
  ComboBoxCharacterChange(form(), window());

  ButtonCharacterReadClick(job(), Sender::Click);
  EXPECT_EQ(form().text(kComboBoxCharacter), "Custom curve");
  EXPECT_EQ(form().text(kComboBoxNumberOfPoints), "9");
  EXPECT_EQ(form().rows(kStringGridCurve), sentRows);
  const CustomCurve read = window().CustomCurve.get();
  EXPECT_EQ(read.count, 9);
  for (std::size_t i = 0; i < 9; ++i) {
    EXPECT_EQ(read.input[i], sent.input[i]) << i;
    EXPECT_EQ(read.output[i], sent.output[i]) << i;
  }
  EXPECT_TRUE(form().lines(kCommunicationLog).isEmpty())
      << form().lines(kCommunicationLog).join('\n').toStdString();
}

}  // namespace
}  // namespace velk
