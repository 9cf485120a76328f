#pragma once
// The LOGS page: the communication log, which failed commands and
// disconnections write, and the device's event log.

class QWidget;

namespace velk {

struct PageContext;

inline constexpr const char* kEventLog = "diag_alarms_log";

QWidget* createLogsPage(PageContext& context);

}  // namespace velk
