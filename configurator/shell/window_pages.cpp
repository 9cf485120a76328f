#include "shell/window_pages.h"

#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>
#include <map>
#include <string_view>

#include "diagnostics/control_page.h"
#include "diagnostics/diag2_page.h"
#include "diagnostics/diag_alarms_page.h"
#include "diagnostics/trends_page.h"
#include "files/db_page.h"
#include "files/logs_page.h"
#include "pages/alarms_page.h"
#include "pages/appearance_page.h"
#include "pages/calibrate_page.h"
#include "pages/characteristics_page.h"
#include "pages/read_page.h"
#include "pages/setup_page.h"
#include "pages/tuning_page.h"
#include "service/debug_page.h"
#include "service/hart_page.h"
#include "service/irs_page.h"
#include "service/limits_page.h"
#include "service/map_page.h"

namespace velk {

namespace {

// Each page module's widgets, by the module's name.
const std::map<std::string_view, PageFactory>& pageWidgets() {
  static const std::map<std::string_view, PageFactory> widgets = {
      {"TabSheet1", &createControlPage},
      {"TabSheetCalibrate", &createCalibratePage},
      {"TabSheetSetup", &createSetupPage},
      {"TabSheetCara", &createCharacteristicsPage},
      {"APPEARANCE", &createAppearancePage},
      {"TabSheetTuning", &createTuningPage},
      {"TabSheetAlarms", &createAlarmsPage},
      {"TabSheetRead", &createReadPage},
      {"TabSheet4", &createLogsPage},
      {"DIAGNOSTICS", &createDiagAlarmsPage},
      {"TabSheetDiag", &createDiag2Page},
      {"TabSheet3", &createTrendsPage},
      {"TabSheetDb", &createDbPage},
      {"DEBUG", &createDebugPage},
      {"TabSheet2", &createMapPage},
      {"TabSheetHart", &createHartPage},
      {"TabSheet5", &createIrsPage},
      {"TabSheet6", &createLimitsPage},
  };
  return widgets;
}

QWidget* createCaptionOnlyPage(const PageModule& module) {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* caption = new QLabel(module.caption, page);
  caption->setAlignment(Qt::AlignCenter);
  caption->setEnabled(false);
  QFont font = caption->font();
  font.setPointSizeF(font.pointSizeF() * 2);
  font.setBold(true);
  caption->setFont(font);
  layout->addWidget(caption);
  return page;
}

}  // namespace

QWidget* createPage(const PageModule& module, PageContext& context) {
  PageContext pageContext{context.core, context.binder, context.paths, module.name};
  const auto widgets = pageWidgets().find(module.name);
  QWidget* page =
      widgets != pageWidgets().end() ? widgets->second(pageContext) : createCaptionOnlyPage(module);
  page->setObjectName(module.name);
  return page;
}

}  // namespace velk
