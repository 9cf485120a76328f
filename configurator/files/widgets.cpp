#include "files/widgets.h"

#include "files/db_page.h"
#include "files/logs_page.h"
#include "files/modules.h"

namespace velk {

const PageWidgetsList& filesPageWidgets() {
  static const PageWidgetsList widgets = {
      {&logsModule(), &createLogsPage},
      {&dbModule(), &createDbPage},
  };
  return widgets;
}

}  // namespace velk
