#include "shell/page_registry.h"

#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

#include "diagnostics/control_page.h"
#include "files/logs_page.h"
#include "pages/appearance_page.h"
#include "pages/characteristics_page.h"
#include "pages/setup_page.h"

namespace velk {

const std::vector<PageEntry>& pageRegistry() {
  static const std::vector<PageEntry> pages = {
      {"TabSheet1", "CONTROL", &createControlPage},
      {"TabSheetCalibrate", "CALIBRATE", nullptr},
      {"TabSheetSetup", "SETUP", &createSetupPage},
      {"TabSheetCara", "CHARACTERISTICS", &createCharacteristicsPage},
      {"APPEARANCE", "APPEARANCE", &createAppearancePage},
      {"TabSheetTuning", "TUNING", nullptr},
      {"TabSheetAlarms", "ALARMS", nullptr},
      {"TabSheetRead", "READ", nullptr},
      {"DIAGNOSTICS", "DIAG ALARMS", nullptr},
      {"DEBUG", "DEBUG", nullptr},
      {"TabSheet2", "MAP", nullptr},
      {"TabSheetDiag", "DIAG 2", nullptr},
      {"TabSheet3", "TRENDS", nullptr},
      {"TabSheet4", "LOGS", &createLogsPage},
      {"TabSheetDb", "DB", nullptr},
      {"TabSheetHart", "HART", nullptr},
      {"TabSheet5", "IRS", nullptr},
      {"TabSheet6", "LIMITS", nullptr},
  };
  return pages;
}

namespace {

QWidget* createCaptionOnlyPage(const PageEntry& entry) {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* caption = new QLabel(entry.caption, page);
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

QWidget* createPage(const PageEntry& entry, PageContext& context) {
  QWidget* page = entry.create ? entry.create(context) : createCaptionOnlyPage(entry);
  page->setObjectName(entry.name);
  return page;
}

}  // namespace velk
