#include "service/widgets.h"

#include "service/debug_page.h"
#include "service/hart_page.h"
#include "service/irs_page.h"
#include "service/limits_page.h"
#include "service/map_page.h"
#include "service/modules.h"

namespace velk {

const PageWidgetsList& servicePageWidgets() {
  static const PageWidgetsList widgets = {
      {&debugModule(), &createDebugPage},   {&mapModule(), &createMapPage},
      {&hartModule(), &createHartPage},     {&irsModule(), &createIrsPage},
      {&limitsModule(), &createLimitsPage},
  };
  return widgets;
}

}  // namespace velk
