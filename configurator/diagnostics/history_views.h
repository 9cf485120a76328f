#pragma once
// DIAG 2, TRENDS and DIAG ALARMS uploads as device-history records: the
// payload made from what the page shows after an upload, and a stored
// payload shown on its page again as an upload would show it. The format is
// history_values.h's; the title is what the page's selector showed.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

#include "diagnostics/logic/diagnostic_graphs.h"
#include "history/history_values.h"

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
// A signature is drawn beside the data set uploaded last, in place of the
// device's baseline (its values as stored, however many), until another is
// loaded, a baseline is marked or another device is read; `time` names it.
bool showSignatureRecord(FormState& form, WindowState& window, const QByteArray& payload, QString& why,
                         const QDateTime& time = {});
bool showTrendRecord(FormState& form, WindowState& window, const QByteArray& payload, QString& why);
bool showAlarmsRecord(FormState& form, const QByteArray& payload, QString& why);

// What DIAG 2 shows of a graph type with a data set: the values uploaded
// last, titled as the selector names it; none where their block failed, or,
// without `markFailed`, what the page kept there (as the graph draws it).
std::optional<HistoryValues> uploadedValues(const WindowState& window, Diag2Graph graph, bool markFailed = true);
// The curve drawn beside them, and its name for the legend.
struct ShownReference {
  HistoryValues values;
  QString name;     // "Baseline 2026-03-18", "Record 2026-03-18 14:02"
  bool baseline;
};
std::optional<ShownReference> shownReference(const WindowState& window, Diag2Graph graph);

}  // namespace velk
