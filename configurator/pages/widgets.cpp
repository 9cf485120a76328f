#include "pages/widgets.h"

#include "pages/alarms_page.h"
#include "pages/appearance_page.h"
#include "pages/calibrate_page.h"
#include "pages/characteristics_page.h"
#include "pages/modules.h"
#include "pages/read_page.h"
#include "pages/setup_page.h"
#include "pages/tuning_page.h"

namespace velk {

const PageWidgetsList& pagesPageWidgets() {
  static const PageWidgetsList widgets = {
      {&setupModule(), &createSetupPage},
      {&calibrateModule(), &createCalibratePage},
      {&characteristicsModule(), &createCharacteristicsPage},
      {&appearanceModule(), &createAppearancePage},
      {&tuningModule(), &createTuningPage},
      {&alarmsModule(), &createAlarmsPage},
      {&readModule(), &createReadPage},
  };
  return widgets;
}

}  // namespace velk
