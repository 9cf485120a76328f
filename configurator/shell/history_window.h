#pragma once
// The device history in the window: where the settings keep its place, and
// what the DB page's "Load" and "View" do with a record, since only the
// window reaches every page.

#include <QString>
#include <optional>

class QSettings;
class QTabWidget;
class QWidget;

namespace velk {

class Configurator;
struct HistoryRecord;

// The Settings' choice of the history's place; empty: the default file.
QString loadHistoryChoice(QSettings& settings);
void saveHistoryChoice(QSettings& settings, const QString& choice);

// A configuration record into the pages as File > Open loads a file: all or
// nothing; a record that is not correct is reported and changes nothing.
bool loadConfigurationRecord(Configurator& core, const HistoryRecord& record);

// A signature on DIAG 2, a trend on TRENDS, alarms on DIAG ALARMS, an event
// log on LOGS, each page then shown; a calibration in a message. A record
// its page cannot show is reported.
void viewHistoryRecord(Configurator& core, QTabWidget* pages, const HistoryRecord& record);

// Two configuration records side by side in a window of their own, the
// older on the left; without a second, the record beside the pages as they
// stand.
void compareHistoryRecords(Configurator& core, QWidget* parent, const HistoryRecord& left,
                           const std::optional<HistoryRecord>& right);

}  // namespace velk
