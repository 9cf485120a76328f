#pragma once
// The payload of an upload's record (signature, trend, alarms): what was
// uploaded as the page showed it, as text that `velk history show` prints
// as it is and the DB page shows again. The first line names what it is
// ("Ramp signature", "Friction"); then one value a line, in the device's
// order; a value whose block failed is the line "failed", since what the
// page kept there was not read from the device. The event log's payload is
// the log's lines as shown.
//
//   Ramp signature
//   1203
//   failed

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace velk {

inline constexpr const char* kFailedValue = "failed";

struct HistoryValues {
  QString title;
  std::vector<std::optional<std::int32_t>> values;  // none: its block failed
};

QByteArray historyValuesText(const HistoryValues& values);
// None when the text is not such a payload (no title, a line that is
// neither a whole number nor "failed").
std::optional<HistoryValues> historyValuesFrom(const QByteArray& text);

}  // namespace velk
