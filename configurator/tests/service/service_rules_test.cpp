// The service pages' rules on texts and numbers: limit conversions and the
// table they make, the array's shape and write addresses, map files and the
// values of map variables, and bytes shown as a float.
#include <gtest/gtest.h>

#include <QFile>

#include "model/form_state.h"
#include "model/window_state.h"
#include "service/array_transfer.h"
#include "service/irs_operations.h"
#include "service/limits_operations.h"
#include "service/map_file.h"

namespace velk {
namespace {

TEST(LimitConversion, TruncatesTheExactProductAndRefusesWhatIsNoNumber) {
  using C = LimitConversion;
  struct Case {
    const char* text;
    C conversion;
    char separator;
    std::optional<std::int64_t> value;
  };
  const Case cases[] = {
      {"0.5", C::Hundredths, '.', 50},
      {"1.15", C::Hundredths, '.', 115},  // binary floating point would give 114
      {"0.29", C::Hundredths, '.', 29},
      {"2.999", C::Hundredths, '.', 299},
      {"-0.5", C::Hundredths, '.', -50},
      {"0,5", C::Hundredths, ',', 50},
      {"0.5", C::Hundredths, ',', std::nullopt},
      {"20", C::Times120, '.', 2400},
      {"33.9", C::Times1, '.', 33},
      {"5", C::Years32, '.', 0x2EFE0780},
      {"0.5", C::Years32, '.', 78840000},
      {" 100 ", C::Integer, '.', 100},
      {"1000000", C::Integer32, '.', 1000000},
      {"2.5", C::Integer, '.', std::nullopt},
      {"", C::Times1, '.', std::nullopt},
      {"1e3", C::Hundredths, '.', std::nullopt},
      {"abc", C::Integer, '.', std::nullopt},
      {"1234567890123456789012345678901", C::Hundredths, '.', std::nullopt},  // beyond any entry
  };
  for (const Case& c : cases) EXPECT_EQ(convertLimit(c.text, c.conversion, c.separator), c.value) << c.text;
}

class LimitTableTest : public ::testing::Test {
 protected:
  LimitTableTest() { setLimitDefaults(form_, window_); }
  FormState form_;
  WindowState window_;
};

TEST_F(LimitTableTest, DefaultsGiveTheDevicesEntries) {
  const LimitTable table = limitTable(form_, '.');
  ASSERT_FALSE(table.wrongEntry);
  const std::pair<int, std::uint16_t> expected[] = {
      {0, 200},     {2, 2400}, {14, 33},  {21, 0x0780}, {22, 0x2EFE}, {23, 0x4240},
      {24, 0x000F}, {29, 800}, {30, 600}, {36, 50},     {42, 0x9680}, {43, 0x0098},
      {47, 50},     {71, 100}, {72, 50},  {74, 200},    {75, 200},
  };
  for (const auto& [entry, value] : expected) EXPECT_EQ(table.entries[entry], value) << "entry " << entry;

  const auto chunks = limitChunks(table.entries);
  ASSERT_EQ(chunks.size(), 7u);
  for (std::size_t j = 0; j < 6; ++j) EXPECT_EQ(chunks[j].size(), 23u);
  EXPECT_EQ(chunks[6].size(), 14u);
  // Entry 2 as 16-bit big-endian at stream bytes 4 and 5; entry 11 straddles chunks 0 and 1.
  EXPECT_EQ(chunks[0][4], 0x09);
  EXPECT_EQ(chunks[0][5], 0x60);
  EXPECT_EQ(chunks[0][22], 0x00);
  EXPECT_EQ(chunks[1][0], 200);
}

TEST_F(LimitTableTest, OverflowingAndNegativeValuesKeepTheirLowBitsAndAWrongFieldNamesItsEntry) {
  form_.setText("Edit105", "700");  // 70000: above 65535
  form_.setText("Edit119", "-1");   // two's complement
  LimitTable table = limitTable(form_, '.');
  EXPECT_EQ(table.entries[0], 70000 & 0xFFFF);
  EXPECT_EQ(table.entries[14], 0xFFFF);

  form_.setText("Edit130", "");  // "Supply high kPa"
  form_.setText("Edit181", "x");
  table = limitTable(form_, '.');
  EXPECT_EQ(table.wrongEntry, 29);
}

TEST(ArrayShape, ElementSizesTotalsAndWriteAddresses) {
  const std::pair<std::int64_t, int> sizes[] = {{-7, 1}, {0, 1}, {1, 1}, {2, 2},
                                                {3, 4},  {4, 4}, {5, 4}, {99, 4}};
  for (const auto& [dataSize, elementSize] : sizes)
    EXPECT_EQ(arrayElementSize(dataSize), elementSize) << dataSize;

  EXPECT_EQ(arrayTotalBytes(100, 2), 200);
  EXPECT_EQ(arrayTotalBytes(25600, 4), 100352);
  EXPECT_EQ(arrayTotalBytes(std::int64_t{1} << 62, 4), 100352);
  EXPECT_LT(arrayTotalBytes(-1, 2), 0);

  const std::pair<int, WriteBlockAddress> blocks[] = {
      {0, {0, 0, 0}},    {255, {0, 255, 0}}, {256, {0, 0, 1}},
      {298, {0, 42, 1}}, {299, {1, 0, 0}},   {4181, {13, 38, 1}},
  };
  for (const auto& [block, address] : blocks) EXPECT_EQ(writeBlockAddress(block), address) << block;
}

TEST(MapFile, ReadsTheSymbolsOfALinkerMap) {
  const QString text =
      "Discarded input sections\n\n"
      " .bss.dropped   0x00000000       0x20 obj/a.o\n"
      "                0x00000000                dropped\n\n"
      "Linker script and memory map\n\n"
      "LOAD obj/a.o\n"
      "                0x20001000                _estack = 0x20001000\n\n"
      ".text           0x08000000       0x40\n"
      " *(.text*)\n"
      " .text.main     0x08000000       0x40 obj/a.o\n"
      "                0x08000000                main\n\n"
      ".bss            0x20000000       0x30\n"
      "                0x20000000                _sbss = .\n"
      " .bss.state     0x20000000        0xc obj/a.o\n"
      "                0x20000000                first\n"
      "                0x20000004                second\n"
      "                0x20000004                alias_of_second\n"
      " *fill*         0x2000000c        0x4 \n"
      " .bss.a_very_long_section_name\n"
      "                0x20000010       0x20 obj/b.o\n"
      "                0x20000010                buffer\n"
      "                0x20000030                _ebss = .\n";
  const MapFile map = parseMapText(text);
  EXPECT_TRUE(map.linkerMap);
  const std::vector<MapSymbol> expected = {
      {"main", 0x08000000, 0x40, ".text"},  {"first", 0x20000000, 4, ".bss"},
      {"second", 0x20000004, 8, ".bss"},    {"alias_of_second", 0x20000004, 8, ".bss"},
      {"buffer", 0x20000010, 0x20, ".bss"},
  };
  EXPECT_EQ(map.symbols, expected);
}

TEST(MapFile, ReadsAPlainListAndCountsWhatIsNoSymbol) {
  const MapFile map =
      parseMapText("# address size name\n0x20000000 4 speed\n20000004 0x10 table\nnonsense\n\n");
  EXPECT_FALSE(map.linkerMap);
  const std::vector<MapSymbol> expected = {{"speed", 0x20000000, 4, ""}, {"table", 0x20000004, 16, ""}};
  EXPECT_EQ(map.symbols, expected);
  EXPECT_EQ(map.skippedLines, 1);
}

TEST(MapValues, ShowAndEncodeByType) {
  using Bytes = std::vector<std::uint8_t>;
  EXPECT_EQ(formatMapValue({0xFF, 0xFF}, "signed", '.'), "-1");
  EXPECT_EQ(formatMapValue({0xFF, 0xFF}, "unsigned", '.'), "65535");
  EXPECT_EQ(formatMapValue({0x00, 0x00, 0xA0, 0x3F}, "float", ','), "1,25");
  EXPECT_EQ(formatMapValue({0x2A, 0x01}, "hex", '.'), "0x012A");
  EXPECT_EQ(formatMapValue(Bytes(12, 0x11), "signed", '.'), "0x111111111111111111111111");
  EXPECT_EQ(bytesText({0x2A, 0x01}), "2A 01");

  QString error;
  EXPECT_EQ(encodeMapValue("-2", "signed", 2, '.', error), (Bytes{0xFE, 0xFF}));
  EXPECT_EQ(encodeMapValue("1,25", "float", 4, ',', error), (Bytes{0x00, 0x00, 0xA0, 0x3F}));
  EXPECT_EQ(encodeMapValue("0x1234", "hex", 2, '.', error), (Bytes{0x34, 0x12}));
  EXPECT_EQ(encodeMapValue("255", "unsigned", 1, '.', error), (Bytes{0xFF}));
  for (const auto& [text, type, size] :
       {std::tuple{"256", "unsigned", 1}, std::tuple{"-129", "signed", 1}, std::tuple{"1.5", "signed", 4},
        std::tuple{"1", "float", 2}, std::tuple{"0x10000", "hex", 2}, std::tuple{"1", "unsigned", 12}}) {
    error.clear();
    EXPECT_FALSE(encodeMapValue(text, type, size, '.', error)) << text << " " << type;
    EXPECT_FALSE(error.isEmpty());
  }
}

TEST(MapSelection, ComesBackFromItsFileAndFollowsANewBuild) {
  const std::vector<MapVariable> saved = {{"speed", 0x20000000, 4, "float"},
                                          {"count", 0x20000010, 2, "unsigned"}};
  MapFile rebuilt;
  rebuilt.symbols = {{"count", 0x20000020, 4, ".bss"}};
  int skipped = 0;
  const QString text = selectionText(saved) + "broken line\n";
  EXPECT_EQ(parseSelectionText(text, nullptr, skipped), saved);
  EXPECT_EQ(skipped, 1);
  const auto moved = parseSelectionText(text, &rebuilt, skipped);
  ASSERT_EQ(moved.size(), 2u);
  EXPECT_EQ(moved[1], (MapVariable{"count", 0x20000020, 4, "unsigned"}));
}

TEST(ReverseBytesToFloat, ShowsTheFloatTheBytesEncode) {
  FormState form;
  const auto show = [&form](std::array<const char*, 4> bytes) {
    for (int i = 0; i < 4; ++i) form.setText(kFloatBytes[i], bytes[static_cast<std::size_t>(i)]);
    QString error;
    return reverseBytesToFloat(form, '.', error).value_or("error: " + error);
  };
  EXPECT_EQ(show({"63", "128", "0", "0"}), "1");
  EXPECT_EQ(show({"61", "204", "204", "205"}), "0.100000001490116");
  EXPECT_EQ(show({"192", "0", "0", "256"}), "-2");  // only the last byte is masked
  EXPECT_EQ(show({"63", "127", "256", "0"}), "1");  // the others carry into the byte above
  EXPECT_EQ(show({"63", "x", "0", "0"}), "error: 'x' is not a valid integer value");
}

}  // namespace
}  // namespace velk
