#pragma once
// The LOGS page's widgets: the communication log and the device's event log
// (files/logs_operations.h).

class QWidget;

namespace velk {

struct PageContext;

QWidget* createLogsPage(PageContext& context);

}  // namespace velk
