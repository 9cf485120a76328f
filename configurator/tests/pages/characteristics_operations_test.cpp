// The CHARACTERISTICS page's handlers and its read and send, on the form
// state alone, against a scripted link.
#include "pages/characteristics_operations.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstring>
#include <optional>

#include "support/core_fixture.h"
#include "support/reply_bytes.h"

namespace velk {
namespace {

using Reply = FakeHartLink::Reply;
using Rows = QList<QStringList>;

class CharacteristicsTest : public CoreTest {
 protected:
  CharacteristicsTest() { startCharacteristicsPage(form(), window()); }

  void chooseCharacter(const QString& text) {
    form().setText(kComboBoxCharacter, text);
    ComboBoxCharacterChange(form(), window());
  }
  // Chooses a point count; `answer` answers the question, if one is asked.
  std::optional<QString> choosePoints(const QString& count, bool answer = true) {
    std::optional<QString> asked;
    form().setText(kComboBoxNumberOfPoints, count);
    ComboBoxNumberOfPointsChange(form(), window(), [&](const QString& question) {
      asked = question;
      return answer;
    });
    return asked;
  }
  QStringList gridColumn(int column) {
    QStringList cells;
    for (const QStringList& row : form().rows(kStringGridCurve)) cells.append(row.value(column));
    return cells;
  }
};

TEST_F(CharacteristicsTest, StartsWithTheLinearCurveDrawnFrom33Points) {
  EXPECT_EQ(form().text(kComboBoxCharacter), "Linear");
  EXPECT_EQ(form().text(kComboBoxNumberOfPoints), "33");
  EXPECT_EQ(form().text(kGroupBoxCurve), "Curve : Linear");
  const Rows rows = form().rows(kStringGridCurve);
  ASSERT_EQ(rows.size(), 33);
  EXPECT_EQ(rows[1], (QStringList{"3.125", "3.125"}));
  EXPECT_EQ(form().rows(kImage2), rows);
  EXPECT_EQ(window().CustomCurve.get().count, 33);

  // "&Default" puts the texts back; the change handler then shows them.
  chooseCharacter("Equal %");
  applyCharacteristicsDefaults(form(), window());
  ComboBoxCharacterChange(form(), window());
  EXPECT_EQ(form().text(kGroupBoxCurve), "Curve : Linear");
}

TEST_F(CharacteristicsTest, ChoosingAPointCountAsksOnlyBeforeCustomPointsAreLost) {
  struct Case {
    const char* what;
    const char* character;
    int countBefore;
    const char* chosen;
    bool answer;
    bool asked;
    int countAfter;
    const char* shown;
  };
  const Case cases[] = {
      {"custom, fewer, Yes", "Custom curve", 33, "9", true, true, 9, "9"},
      {"custom, fewer, No: the combo goes back", "Custom curve", 33, "9", false, true, 33, "33"},
      {"custom, more: no question", "Custom curve", 9, "33", false, false, 33, "33"},
      {"fixed curve: the custom curve is left", "Equal %", 33, "5", false, false, 33, "5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // A bent custom curve, so that resampling shows.
    CustomCurve bent = CustomCurve::straightLine(c.countBefore);
    for (std::size_t i = 0; i < kMaxCurvePoints; ++i) bent.output[i] = bent.input[i] * bent.input[i] / 100;
    window().CustomCurve.set(bent);
    form().setText(kComboBoxCharacter, "Custom curve");
    ComboBoxCharacterChange(form(), window());  // shows the bent curve
    chooseCharacter(c.character);

    const auto asked = choosePoints(c.chosen, c.answer);
    EXPECT_EQ(asked.has_value(), c.asked);
    if (asked) {
      EXPECT_EQ(*asked,
                QString::fromStdString(reducePointsQuestion(c.countBefore, QString(c.chosen).toInt())));
    }
    EXPECT_EQ(window().CustomCurve.get().count, c.countAfter);
    EXPECT_EQ(form().text(kComboBoxNumberOfPoints), c.shown);
    EXPECT_EQ(form().rows(kStringGridCurve).size(), QString(c.shown).toInt());
  }

  // After Yes the 9 points lie on the 33 and are drawn: 12.5 % gave 1.5625 %.
  chooseCharacter("Custom curve");
  window().CustomCurve.set([] {
    CustomCurve bent = CustomCurve::straightLine(33);
    for (std::size_t i = 0; i < kMaxCurvePoints; ++i) bent.output[i] = bent.input[i] * bent.input[i] / 100;
    return bent;
  }());
  ComboBoxCharacterChange(form(), window());
  choosePoints("9", true);
  EXPECT_EQ(gridColumn(0).mid(0, 3), (QStringList{"0", "12.5", "25"}));
  EXPECT_EQ(gridColumn(1).mid(0, 3), (QStringList{"0", "1.5625", "6.25"}));
  EXPECT_EQ(form().rows(kImage2), form().rows(kStringGridCurve));
}

TEST_F(CharacteristicsTest, LeavingThePointCountShowsTheCustomCountAgain) {
  for (const char* character : {"Custom curve", "Quick open"}) {
    chooseCharacter(character);
    form().setText(kComboBoxNumberOfPoints, "9");
    ComboBoxNumberOfPointsExit(form(), window());
    EXPECT_EQ(form().text(kComboBoxNumberOfPoints), QString(character) == "Custom curve" ? "33" : "9")
        << character;
  }
}

TEST_F(CharacteristicsTest, LeavingTheGridChecksAndDrawsOnlyTheCustomCurve) {
  chooseCharacter("Custom curve");
  choosePoints("9", true);
  // Row 4's input of 50 lies above row 5's 40; row 6's output is no number.
  form().setCell(kStringGridCurve, 3, 0, "50");
  form().setCell(kStringGridCurve, 4, 0, "40");
  form().setCell(kStringGridCurve, 5, 1, "6o");
  StringGridCurveExit(form(), window());
  EXPECT_EQ(gridColumn(0).mid(2, 4), (QStringList{"25", "37.5", "40", "62.5"}));
  EXPECT_EQ(gridColumn(1)[5], "62.5");
  EXPECT_EQ(form().rows(kImage2), form().rows(kStringGridCurve));
  const CustomCurve curve = window().CustomCurve.get();
  EXPECT_EQ(curve.count, 9);
  EXPECT_EQ(curve.input[3], 37.5f);
  EXPECT_EQ(curve.input[4], 40.0f);

  // A fixed curve's grid may be edited, but it is neither checked nor drawn.
  chooseCharacter("Linear");
  const Rows drawn = form().rows(kImage2);
  form().setCell(kStringGridCurve, 3, 0, "x");
  StringGridCurveExit(form(), window());
  EXPECT_EQ(gridColumn(0)[3], "x");
  EXPECT_EQ(form().rows(kImage2), drawn);
}

TEST_F(CharacteristicsTest, TheCustomCurveStartsFromTheCurveLastShown) {
  chooseCharacter("Equal %");
  chooseCharacter("Custom curve");
  EXPECT_EQ(form().text(kGroupBoxCurve), "Curve : Custom curve");
  EXPECT_EQ(gridColumn(1)[8], "6.373");  // 25 %
  EXPECT_EQ(gridColumn(1)[32], "100");
}

// A device that answers the page's reads from a script.
struct ScriptedCurve {
  int code = 0;
  int count = 3;
  std::optional<int> failingPoint = std::nullopt;
  Reply operator()(int command, const FakeHartLink::DataField& request, int) const {
    switch (command) {
      case 15: return {0, 0, {0, static_cast<std::uint8_t>(code), 57}};
      case 191: return {0, 0, {static_cast<std::uint8_t>(count)}};
      case 193: {
        if (failingPoint == request[0]) return {15, 0x0300, {}};
        std::vector<std::uint8_t> data{request[0]};
        for (float value : {request[0] * 50.0f, request[0] * 10.0f}) {
          const auto bytes = f32(value);
          data.insert(data.end(), bytes.begin(), bytes.end());
        }
        return {0, 0, data};
      }
      default: return {0, 0, {}};
    }
  }
};

TEST_F(CharacteristicsTest, ReadShowsWhatItCanAndRefusesCodesAndCountsWithoutAnItem) {
  struct Case {
    const char* what;
    ScriptedCurve device;
    const char* character;
    int count;
    std::optional<std::vector<float>> outputs;  // of the custom curve's first points
    int logLines;
  };
  const std::vector<float> before{0, 3.125f, 6.25f};
  const Case cases[] = {
      {"square root", {.code = 240}, "Square root", 33, std::nullopt, 0},
      {"unknown code: the page stays", {.code = 7}, "Equal %", 33, before, 1},
      {"custom curve", {.code = 3, .count = 3}, "Custom curve", 3, std::vector<float>{0, 10, 20}, 0},
      {"unknown count: the curve stays", {.code = 3, .count = 7}, "Custom curve", 33, before, 1},
      {"a failed point keeps its values",
       {.code = 3, .count = 3, .failingPoint = 1},
       "Custom curve",
       3,
       std::vector<float>{0, 3.125f, 20},
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    chooseCharacter("Equal %");
    window().CustomCurve.set(CustomCurve::straightLine(33));
    form().setLines(kCommunicationLog, {});
    fake_->setResponder(c.device);

    ButtonCharacterReadClick(job(), Sender::Sequence);
    EXPECT_EQ(form().text(kComboBoxCharacter), c.character);
    EXPECT_EQ(form().text(kGroupBoxCurve), QString("Curve : ") + c.character);
    const CustomCurve curve = window().CustomCurve.get();
    EXPECT_EQ(curve.count, c.count);
    if (c.outputs) {
      EXPECT_EQ(std::vector<float>(curve.output.begin(), curve.output.begin() + 3), *c.outputs);
    }
    EXPECT_EQ(form().lines(kCommunicationLog).size(), c.logLines)
        << form().lines(kCommunicationLog).join('|').toStdString();
  }
}

TEST_F(CharacteristicsTest, AFailedCharacteristicReadChangesNothing) {
  chooseCharacter("Quick open");
  fake_->setReply(15, {15, 0x2000, {}});
  ButtonCharacterReadClick(job(), Sender::Click);
  EXPECT_EQ(form().text(kComboBoxCharacter), "Quick open");
  EXPECT_EQ(fake_->sentCommands(), (std::vector<int>{15, 15}));
}

// The request layouts are checked against the simulated positioner.
TEST_F(CharacteristicsTest, SendWritesTheCurvePointsOnlyAfterTheCharacteristicAndCountWentThrough) {
  struct Case {
    const char* what;
    const char* character;
    int failing;  // command the device refuses, 0 for none
    std::vector<int> commands;
  };
  const Case cases[] = {
      {"fixed curve", "Square root", 0, {47}},
      {"custom curve", "Custom curve", 0, {47, 190, 192, 192, 192}},
      {"characteristic refused", "Custom curve", 47, {47, 47}},
      {"count refused", "Custom curve", 190, {47, 190, 190}},
      {"points go on whatever happens", "Custom curve", 192, {47, 190, 192, 192, 192, 192, 192, 192}},
  };
  window().CustomCurve.set(CustomCurve::straightLine(3));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    chooseCharacter(c.character);
    std::vector<int> sent;
    fake_->setResponder([&](int command, const FakeHartLink::DataField&, int) -> Reply {
      sent.push_back(command);
      return command == c.failing ? Reply{15, 0x1000, {}} : Reply{};
    });
    ButtonCharacterSendClick(job(), Sender::Click);
    EXPECT_EQ(sent, c.commands);
  }
}

}  // namespace
}  // namespace velk
