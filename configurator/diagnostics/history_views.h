#pragma once
// DIAG 2, TRENDS and DIAG ALARMS uploads as device-history records: the
// payload made from what the page shows after an upload, and a stored
// payload shown on its page again as an upload would show it. The format is
// history_values.h's; the title is what the page's selector showed.

#include <QByteArray>
#include <QString>
#include <vector>

namespace velk {

class FormState;
struct WindowState;

inline constexpr const char* kAlarmsRecordTitle = "Diagnostic alarms";

// `failed` marks, value by value, those whose block failed; empty: none.
// Empty when the page shows no data set (DIAG 2) or no variable (TRENDS).
QByteArray signatureRecord(const FormState& form, const WindowState& window, const std::vector<bool>& failed = {});
QByteArray trendRecord(const FormState& form, const WindowState& window, const std::vector<bool>& failed = {});
QByteArray alarmsRecord(const FormState& form, const std::vector<bool>& failed = {});

// The record on its page: the data and the selector that shows it. A value
// that failed shows as 0, an alarm that failed unchecked. False, with why,
// for a payload the page cannot show; the page is left as it was.
bool showSignatureRecord(FormState& form, WindowState& window, const QByteArray& payload, QString& why);
bool showTrendRecord(FormState& form, WindowState& window, const QByteArray& payload, QString& why);
bool showAlarmsRecord(FormState& form, const QByteArray& payload, QString& why);

}  // namespace velk
