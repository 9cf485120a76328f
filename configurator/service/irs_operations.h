#pragma once
// The IRS page: raw data groups and arrays read with command 250, shown as
// numbered lists, and four bytes shown as the single-precision float they
// encode. The grids' rows here are those below their headings.

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

#include "comm/page_operation.h"
#include "service/transfer.h"

namespace velk {

class FormState;
struct WindowState;

inline constexpr const char* kGroupNumber = "Edit98";
inline constexpr const char* kGroupGrid = "StringGrid6";
inline constexpr const char* kArrayNumber = "Edit99";
inline constexpr const char* kIrsArrayGrid = "StringGrid7";
inline constexpr const char* kFloatBytes[4] = {"Edit100", "Edit101", "Edit102", "Edit103"};
inline constexpr const char* kFloatResult = "Edit104";
inline constexpr int kGroupRows = 25;
inline constexpr int kIrsArrayRows = 999;

void applyIrsDefaults(FormState& form, WindowState& window);

// "Get Group": bytes 3 on of the reply, one row each, the rows after them
// emptied. A group that could not be read shows no row.
void getGroup(const JobContext& job, Sender sender);

// "Get Array": chunks of 23 data bytes after the array's byte count, read
// one a step until the count is reached. Values are 16-bit big-endian and
// run across chunks: an even chunk's last byte is the high byte of a value
// that the next chunk completes. "END" follows the last value. A chunk that
// cannot be read ends the list with a row saying so.
StepJob getArray(std::shared_ptr<TransferCancel> cancel);

// "Reverse Bytes to Float": the pattern b0 * 2^24 + b1 * 2^16 + b2 * 2^8 +
// (b3 & 0xFF), with b0 most significant as HART sends a float, in general
// notation with 15 digits. A field that is no whole number gives nothing
// and the error text.
std::optional<QString> reverseBytesToFloat(const FormState& form, char decimalSeparator, QString& error);
void reverseBytesToFloatClick(FormState& form, const WindowState& window, WindowOperations& operations);

}  // namespace velk
