#pragma once
// The DIAG ALARMS page's widgets: the command 48 bits, the alarm upload with
// its 86 rows of alarms in three columns, and the health and status controls
// that are laid out without behaviour (diagnostics/diag_alarms_operations.h).

class QWidget;

namespace velk {

struct PageContext;

QWidget* createDiagAlarmsPage(PageContext& context);

}  // namespace velk
