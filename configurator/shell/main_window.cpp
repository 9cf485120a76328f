#include "shell/main_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QProxyStyle>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "comm/configurator.h"
#include "registry/config_file.h"
#include "files/db_page.h"
#include "diagnostics/diag2_page.h"
#include "history/program_history.h"
#include "registry/page_registry.h"
#include "shell/banner.h"
#include "shell/history_window.h"
#include "shell/left_column.h"
#include "shell/main_menu.h"
#include "shell/window_margins.h"
#include "shell/window_pages.h"
#include "ui/page_widgets.h"

namespace velk {

TForm1::TForm1(Configurator& core, const ProgramPaths& paths, QWidget* parent)
    : QMainWindow(parent), core_(core), paths_(paths), binder_(core.form) {
  setObjectName("Form1");
  setWindowTitle("Velk Configurator");
  QFont font = this->font();
  font.setPointSize(8);
  setFont(font);
  buildFrame();
  resize(initialSize());
  connect(&core_.operations, &WindowOperations::errorReported, this, &TForm1::showError);
  FormCreate();
}

TForm1::~TForm1() { FormDestroy(); }

QSize initialWindowSize(const QSize& available, int allTabsWidth) {
  const QSize design(957, 746);
  // Room for the window's frame and title.
  const QSize room = available - QSize(16, 40);
  return {std::clamp(allTabsWidth, design.width(), std::max(design.width(), room.width())),
          std::min(design.height(), room.height())};
}

QSize TForm1::initialSize() const {
  const int allTabs = PageControl1_->tabBar()->sizeHint().width() + kLeftColumnWidth + 24;
  const QScreen* screen = this->screen();
  return initialWindowSize(screen ? screen->availableGeometry().size() : QSize(1280, 720), allTabs);
}

namespace {

// Tabs with half the style's room around their captions: all eighteen fit
// beside the left column on a screen 1280 pixels wide.
class NarrowTabs : public QProxyStyle {
 public:
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    const int size = QProxyStyle::pixelMetric(metric, option, widget);
    return metric == PM_TabBarTabHSpace ? size / 2 : size;
  }
};

// A page taller or wider than the window has scrolls inside it, so that the
// window, and its status bar, fit a small screen.
QWidget* scrolling(QWidget* page) {
  auto* area = new QScrollArea;
  area->setObjectName(page->objectName());
  area->setFrameShape(QFrame::NoFrame);
  area->setWidgetResizable(true);
  area->setWidget(page);
  return area;
}

}  // namespace

void TForm1::buildFrame() {
  auto* central = new QWidget(this);
  central->setAutoFillBackground(true);
  QPalette white = central->palette();
  white.setColor(QPalette::Window, Qt::white);
  central->setPalette(white);
  auto* column = bareLayout<QVBoxLayout>(central);
  column->setSpacing(0);
  // The red corner shows right of the banner, above the yellow margin.
  auto* top = new QHBoxLayout;
  top->setContentsMargins(0, 0, 6, 0);
  top->addWidget(new Banner(central));
  column->addLayout(top);

  auto* row = new QHBoxLayout;
  row->setContentsMargins(0, 0, 6, 6);
  row->addWidget(new LeftColumn(core_, binder_, central));
  PageControl1_ = new QTabWidget(central);
  PageControl1_->setObjectName("PageControl1");
  PageControl1_->setUsesScrollButtons(true);
  PageControl1_->setElideMode(Qt::ElideNone);  // a caption is read whole or scrolled to
  auto* narrowTabs = new NarrowTabs;
  narrowTabs->setParent(PageControl1_);
  PageControl1_->tabBar()->setStyle(narrowTabs);
  PageContext context{core_, binder_, paths_, {}};
  for (const PageModule* module : pageModules())
    PageControl1_->addTab(scrolling(createPage(*module, context)), module->caption);
  row->addWidget(PageControl1_, 1);
  column->addLayout(row, 1);
  setCentralWidget(central);
  installWindowMargins(central, PageControl1_, kBannerHeight);

  // Progress texts stay in the status bar; a menu hint covers them only
  // while the pointer is on the menu.
  auto* statusText = new QLabel(statusBar());
  statusBar()->addWidget(statusText, 1);
  binder_.bind(statusText, kStatusBar);

  menu_ = new MainMenu(core_, binder_, paths_, menuBar(), this);
  connect(menu_, &MainMenu::exitRequested, this, &QWidget::close);
  connect(menu_, &MainMenu::historyChoiceChanged, this, &TForm1::openHistory);
}

void TForm1::FormCreate() {
  createProgramFolders(paths_);
  installReadme(paths_, QCoreApplication::applicationDirPath() + "/readme.txt");
  core_.window.setConfigFileName("config.txt");
  core_.window.setLastGraphFile("graph.txt");

  const auto settings = openSettings(paths_.settingsFile);
  settings_ = loadDeviceSettings(*settings);
  core_.window.ComPort.store(settings_.comPort);
  core_.window.DeviceType.store(settings_.deviceType);
  core_.window.DeviceVersion.store(settings_.deviceVersion);
  menu_->showSettings(settings_);
  menu_->setHistoryChoice(loadHistoryChoice(*settings));
  openHistory(menu_->historyChoice());

  core_.window.RequestPending.store(0);
  installPageModules(core_);
  core_.start();

  applyStartupDefaults(core_.form, core_.window);
  core_.operations.UpdateControlStates();
  PageControl1_->setCurrentIndex(0);
}

void TForm1::closeEvent(QCloseEvent* event) {
  FormDestroy();
  event->accept();
}

// Workers first, so nothing changes the settings while they are written.
void TForm1::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  core_.commands.stop();
  // Writes what the pages handed over before the window goes.
  history_.reset();
  menu_->collectSettings(settings_);
  const auto settings = openSettings(paths_.settingsFile);
  saveDeviceSettings(*settings, settings_);
  if (settings_.available) saveHistoryChoice(*settings, menu_->historyChoice());
}

void TForm1::openHistory(const QString& choice) {
  // The old one writes what it was handed before the new one takes over.
  history_.reset();
  history_ = std::make_unique<ProgramHistory>(core_.form, core_.window, historyStoreChoice(choice, paths_.programFolder));
  if (auto* db = findChild<DbPage*>()) {
    db->setServices({history_.get(),
                     [this](const HistoryRecord& record) { return loadConfigurationRecord(core_, record); },
                     [this](const HistoryRecord& record) { viewHistoryRecord(core_, PageControl1_, record); },
                     [this] { return configurationText(core_.form, core_.window).bytes; },
                     [this](const HistoryRecord& left, const std::optional<HistoryRecord>& right) {
                       compareHistoryRecords(core_, this, left, right);
                     }});
  }
  // DIAG 2 looks up the device's baselines in the same history.
  if (auto* diag2 = findChild<Diag2GraphBox*>()) diag2->setHistory(history_.get());
}

void TForm1::showError(const QString& text, WindowOperations::ErrorButton button) {
  const auto buttons = button == WindowOperations::ErrorButton::Yes ? QMessageBox::Yes : QMessageBox::Ok;
  auto* box = new QMessageBox(QMessageBox::Critical, windowTitle(), text, buttons, this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

}  // namespace velk
