#include "model/edit_validation.h"

#include <gtest/gtest.h>

#include "pages/logic/setup_rules.h"

namespace velk {
namespace {

struct FloatCase {
  const char* text;
  FloatEditBounds bounds;
  char separator;
  const char* expected;
};

constexpr FloatEditBounds kStrokeInch{0.2, 6.18, 1.97};
constexpr FloatEditBounds kPercentOf100{0, 100, 0};

TEST(ValidateFloatEdit, KeepsAcceptedTextsAsTypedAndReplacesRejectedOnesByTheDefault) {
  const FloatCase cases[] = {
      // accepted, kept exactly as typed
      {"-5", kCutoffLowBounds, '.', "-5"},
      {"-20", kCutoffLowBounds, '.', "-20"},  // bounds are inclusive
      {"120", kCutoffLowBounds, '.', "120"},
      {"6.18", kStrokeInch, '.', "6.18"},
      {"0.2", kStrokeInch, '.', "0.2"},
      {"6,18", kStrokeInch, ',', "6,18"},
      {"007", kPercentOf100, '.', "007"},
      {",5", kPercentOf100, ',', ",5"},
      {"-0", kPercentOf100, '.', "-0"},
      {"99.9", {0, 99.9, 0}, '.', "99.9"},  // compared in single precision
      // rejected
      {"6.2", kStrokeInch, '.', "1.97"},    // above the bound
      {"0.197", kStrokeInch, '.', "1.97"},  // below the bound
      {"6.2", kStrokeInch, ',', "1,97"},    // '.' is no separator here
      {"12.", kCutoffLowBounds, '.', "0"},  // ends with the separator
      {"12,", kCutoffLowBounds, ',', "0"},
      {"--5", kCutoffLowBounds, '.', "0"},
      {"5-5", kCutoffLowBounds, '.', "0"},
      {"1.2.3", kCutoffLowBounds, '.', "0"},
      {"-", kCutoffLowBounds, '.', "0"},
      {".", kCutoffLowBounds, '.', "0"},
      {"", kCutoffHighBounds, '.', "100"},
      {" 5", kCutoffLowBounds, '.', "0"},
      {"+5", kCutoffLowBounds, '.', "0"},
      {"1e2", kCutoffLowBounds, '.', "0"},
      {"-20.5", kCutoffLowBounds, '.', "0"},
      {"120.001", kCutoffLowBounds, '.', "0"},
      {"99999999999999999999999999999999999999999999", kCutoffLowBounds, '.', "0"},
      // the default is written in general format with 4 significant digits
      {"x", {0, 1, 0.123456}, '.', "0.1235"},
      {"x", {0, 1, 0.1}, ',', "0,1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ValidateFloatEdit(c.text, c.bounds, c.separator), c.expected)
        << '"' << c.text << "\" in " << c.bounds.min << ".." << c.bounds.max;
  }
}

TEST(ValidateIntegerEdit, AcceptsOnlyDigitsWithinTheBounds) {
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"12", "12"},
      {"0", "0"},
      {"20", "20"},
      {"007", "007"},
      {"21", "7"},
      {"", "7"},
      {"-1", "7"},
      {"1.5", "7"},
      {"1,5", "7"},
      {" 1", "7"},
      {"123456789012345678901234567890", "7"},
  };
  for (const auto& c : cases) EXPECT_EQ(ValidateIntegerEdit(c.text, 0, 20, 7), c.expected) << c.text;
}

TEST(ValidateComboText, ReplacesTextsMatchingNoItemByTheDefaultItem) {
  const std::vector<std::string> sizes{"Small", "Medium", "Large", "Texas-size"};
  EXPECT_EQ(ValidateComboText("Large", sizes, 1), "Large");
  EXPECT_EQ(ValidateComboText("Lar", sizes, 1), "Medium");  // typed key by key
  EXPECT_EQ(ValidateComboText("large", sizes, 1), "Medium");
  EXPECT_EQ(ValidateComboText("", sizes, 1), "Medium");
  EXPECT_EQ(ValidateComboText("Huge", sizes, 9), "Huge");  // no default to put in place
}

}  // namespace
}  // namespace velk
