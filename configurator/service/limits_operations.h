#pragma once
// The LIMITS page: 67 symptom-limit fields, each converted into the device's
// integer form and downloaded together as one table of 76 16-bit entries in
// chunks of command 250. The device's limits are not read back.

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "comm/page_operation.h"

namespace velk {

class FormState;
struct WindowState;

inline constexpr int kLimitEntries = 76;
inline constexpr int kLimitFieldCount = 67;
inline constexpr const char* kLimitsMessage = "Edit164";

// How a field's text becomes its entry (or its two entries, low word first).
enum class LimitConversion {
  Hundredths,  // a decimal number times 100, truncated toward zero
  Times120,    // minutes in ticks of 0.2 s over 10: times 120
  Times1,      // a decimal number, truncated toward zero
  Integer,     // a whole number
  Years32,     // years times 3600 * 24 * 365 * 5, 32-bit
  Integer32,   // a whole number, 32-bit
};

struct LimitField {
  int entry;  // its first entry in the table
  const char* control;
  int number;  // the label left of the field
  const char* caption;
  LimitConversion conversion;
  const char* defaultText;  // a number written with a point
};
extern const LimitField kLimitFields[kLimitFieldCount];

// The entry or entries a field's text gives, as signed integers whose low
// 16 bits are sent: nothing when the text is no number of the kind.
std::optional<std::int64_t> convertLimit(const QString& text, LimitConversion conversion,
                                         char decimalSeparator);

// The table the fields give; or the entry index of the first field that is
// no valid number.
struct LimitTable {
  std::array<std::uint16_t, kLimitEntries> entries{};
  std::optional<int> wrongEntry;
};
LimitTable limitTable(const FormState& form, char decimalSeparator);

// The table as the device takes it: 16-bit big-endian values cut into
// chunks of 23 bytes, the last one shorter (empty when 23 divides it).
std::vector<std::vector<std::uint8_t>> limitChunks(const std::array<std::uint16_t, kLimitEntries>& entries);

// All limit fields empty, as the window opens.
void applyLimitsDefaults(FormState& form, WindowState& window);
// "Set defaults": the same texts whatever the device.
void setLimitDefaults(FormState& form, const WindowState& window);

// "Download": converts the fields in entry order and sends the chunks. A
// field that is no number stops it before anything is sent ("Wrong at index
// N"). "Download done  " only when every chunk went through.
void downloadLimits(const JobContext& job, Sender sender);

}  // namespace velk
