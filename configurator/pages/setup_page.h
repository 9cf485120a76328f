#pragma once
// The SETUP page's widgets: actuator, input current range, direction, travel
// range and travel control. Its operations are in setup_operations.h.

class QWidget;

namespace velk {

struct PageContext;

QWidget* createSetupPage(PageContext& context);

}  // namespace velk
