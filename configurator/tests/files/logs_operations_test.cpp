// "Get log" against a scripted device: the count from the directory, the
// entries fetched as bytes, and what each line shows.
#include "files/logs_operations.h"

#include <gtest/gtest.h>

#include "model/form_state.h"
#include "model/window_operations.h"
#include "support/scripted_memory.h"

namespace velk {
namespace {

class GetLogTest : public ScriptedMemoryTest {
 protected:
  void setEventCount(int count) {
    Bytes directory(392, 0);
    directory[280] = static_cast<std::uint8_t>(count);
    directory[281] = static_cast<std::uint8_t>(count >> 8);
    setMemory(0, 0, directory);
  }
  // Entries whose texts are "E0", "E1", ...
  void setEntries(int count) {
    Bytes entries;
    for (int i = 0; i < count; ++i) {
      Bytes entry(35, 0);
      entry[0] = static_cast<std::uint8_t>(i);  // what comes before the text is not shown
      const std::string text = "E" + std::to_string(i);
      std::copy(text.begin(), text.end(), entry.begin() + 17);
      entries.insert(entries.end(), entry.begin(), entry.end());
    }
    setMemory(10, 0, entries);
  }
  QStringList log() { return form().lines(kEventLog); }
};

TEST(EventEntryText, StopsAtTheZeroOrTheEntrysEndAndKeepsToOneLine) {
  const auto entry = [](const std::string& text) {
    std::vector<std::int32_t> bytes(35, 0);
    for (std::size_t i = 0; i < text.size() && 17 + i < 35; ++i)
      bytes[17 + i] = static_cast<unsigned char>(text[i]);
    return bytes;
  };
  EXPECT_EQ(eventEntryText(entry("Power on"), 0), QString("Power on"));
  EXPECT_EQ(eventEntryText(entry("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), 0),
            QString("ABCDEFGHIJKLMNOPQR"));  // 18 bytes
  EXPECT_EQ(eventEntryText(entry("Line\nbreak\x7F"), 0), QString("Line?break?"));
  EXPECT_EQ(eventEntryText(entry("\xB0"
                                 "C"),
                           0),
            QString::fromUtf8("\u00B0C"));
  std::vector<std::int32_t> unread = entry("Power on");
  unread[3] = -1;  // a byte its failed block never delivered
  EXPECT_EQ(eventEntryText(unread, 0), std::nullopt);
  EXPECT_EQ(eventEntryText(entry("Power on"), 1), std::nullopt);
}

TEST_F(GetLogTest, ListsTheFirstHundredEntriesInTheDevicesOrder) {
  setEventCount(150);
  setEntries(150);
  runSteps(job(), getEventLog());
  const auto reads = memoryReads();
  ASSERT_EQ(reads.size(), 14u + 125u);  // 392 directory bytes, then 100 entries of 35
  EXPECT_EQ(reads[14], "0A00001C");
  EXPECT_EQ(reads.back(), "0A007C1C");
  ASSERT_EQ(log().size(), 100);
  EXPECT_EQ(log().front(), "E0");
  EXPECT_EQ(log().back(), "E99");
  EXPECT_EQ(form().text(kStatusBar), "Upload OK");
}

TEST_F(GetLogTest, ShowsWhatCouldNotBeReadAndKeepsTheLogWithoutACount) {
  setEventCount(3);
  setEntries(3);
  failBlocks({1});  // bytes 28 to 55: entry 0's end and entry 1's start
  runSteps(job(), getEventLog());
  // The directory's count lies in its block 10: it came.
  EXPECT_EQ(log(), (QStringList{"Entry 1 could not be read", "Entry 2 could not be read", "E2"}));
  EXPECT_EQ(form().text(kStatusBar), "Error in uploading: 2 of 18 blocks failed");

  failBlocks({10});
  runSteps(job(), getEventLog());
  EXPECT_EQ(log().size(), 3);  // as it was
  EXPECT_EQ(form().text(kStatusBar), "Error in uploading: 1 of 14 blocks failed");

  failBlocks({});
  setEventCount(-2);
  runSteps(job(), getEventLog());
  EXPECT_TRUE(log().isEmpty());
}

}  // namespace
}  // namespace velk
