#pragma once
// The kinds of finished work the device history keeps. Here, below the
// history, so that the pages can hand their work over without knowing where
// it is stored.

namespace velk {

enum class HistoryKind {
  Read,         // a Read All with every command answered: the device as found
  Send,         // a Send All: the device as left, with the keys sent and failed
  Save,         // a configuration saved under a name
  Signature,    // a DIAG 2 data set
  Trend,        // a TRENDS upload
  Alarms,       // a DIAG ALARMS upload
  EventLog,     // "Get log"
  Calibration,  // a calibration sequence that ended
};
inline constexpr HistoryKind kAllHistoryKinds[] = {
    HistoryKind::Read,  HistoryKind::Send,   HistoryKind::Save,     HistoryKind::Signature,
    HistoryKind::Trend, HistoryKind::Alarms, HistoryKind::EventLog, HistoryKind::Calibration};

}  // namespace velk
