#pragma once
// The ALARMS page's widgets: six alarm groups with their switches, values,
// "Alarm out" and valve action. Its operations are in alarms_operations.h.

class QWidget;

namespace velk {

struct PageContext;

QWidget* createAlarmsPage(PageContext& context);

}  // namespace velk
