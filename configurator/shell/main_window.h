#pragma once
// The main window: banner, left column, the page control with its 18 pages,
// the main menu and the status bar. Pages are widgets of their own
// (page_registry); the window only frames them.

#include <QMainWindow>
#include <memory>

#include "model/window_operations.h"
#include "registry/device_settings.h"
#include "shell/program_folders.h"
#include "ui/form_binder.h"

class QTabWidget;

namespace velk {

// The window's first size: the design size, as wide as every page's tab
// needs where the screen allows, and never taller than the screen.
QSize initialWindowSize(const QSize& availableScreen, int allTabsWidth);

class Configurator;
class MainMenu;
class ProgramHistory;

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  TForm1(Configurator& core, const ProgramPaths& paths, QWidget* parent = nullptr);
  ~TForm1() override;

  QTabWidget* pageControl() const { return PageControl1_; }
  MainMenu& menu() const { return *menu_; }
  const ProgramPaths& paths() const { return paths_; }
  // The device history the pages record their work in; null until start-up
  // has opened it.
  ProgramHistory* history() const { return history_.get(); }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildFrame();
  QSize initialSize() const;
  void FormCreate();
  void FormDestroy();
  void showError(const QString& text, WindowOperations::ErrorButton button);
  // (Re)opens the history where `choice` (or VELK_HISTORY) points.
  void openHistory(const QString& choice);

  Configurator& core_;
  ProgramPaths paths_;
  FormBinder binder_;
  QTabWidget* PageControl1_ = nullptr;
  MainMenu* menu_ = nullptr;
  DeviceSettings settings_;
  std::unique_ptr<ProgramHistory> history_;
  bool destroyed_ = false;
};

}  // namespace velk
