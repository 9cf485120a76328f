#include "diagnostics/widgets.h"

#include "diagnostics/control_page.h"
#include "diagnostics/diag2_page.h"
#include "diagnostics/diag_alarms_page.h"
#include "diagnostics/modules.h"
#include "diagnostics/trends_page.h"

namespace velk {

const PageWidgetsList& diagnosticsPageWidgets() {
  static const PageWidgetsList widgets = {
      {&controlModule(), &createControlPage},
      {&diagAlarmsModule(), &createDiagAlarmsPage},
      {&diag2Module(), &createDiag2Page},
      {&trendsModule(), &createTrendsPage},
  };
  return widgets;
}

}  // namespace velk
