// Saves a picture of the main window or one of its dialogs, to look at the
// layout without a desktop:
//   QT_QPA_PLATFORM=offscreen window_snapshot OUT.png [PAGE-INDEX | about | readme | devices | check]

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "comm/configurator.h"
#include "shell/about_box.h"
#include "shell/main_window.h"
#include "shell/readme_viewer.h"
#include "shell/serial_device_dialog.h"
#include "support/fake_hart_link.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: window_snapshot OUT.png [page-index|about|readme|devices|check]\n");
    return 2;
  }
  const QString what = argc > 2 ? argv[2] : "0";
  QTemporaryDir home;
  velk::Configurator core([](velk::WindowState&) { return std::make_unique<velk::FakeHartLink>(); });
  velk::TForm1 window(core, {home.filePath("settings.ini"), home.filePath("data")});
  core.form.appendLine("Memo1",
                       "Read Identifier :   Invalid instrument handle. Cannot address any instrument.");
  window.show();

  QWidget* shown = &window;
  if (what == "about") {
    shown = new velk::TAboutBox(&window);
  } else if (what == "readme") {
    shown = new velk::ReadmeViewer(QCoreApplication::applicationDirPath() + "/readme.txt", &window);
  } else if (what == "devices") {
    velk::SerialDeviceDialog::Devices chosen;
    chosen[1] = "/dev/ttyUSB0";
    shown = new velk::SerialDeviceDialog(chosen, velk::listSerialDevices(), "/home/technician/gateway.psk",
                                         &window);
  } else if (what == "check") {
    window.findChild<QAction*>("ComportCheck")->trigger();
    shown = window.findChild<QDialog*>("ConnectionCheck");
  } else {
    window.pageControl()->setCurrentIndex(what.toInt());
  }
  shown->show();
  QTimer::singleShot(300, [&] {
    // Whether the window fits the screen and shows every tab whole.
    const QTabBar* tabs = window.pageControl()->tabBar();
    std::fprintf(stderr,
                 "screen %dx%d, window %dx%d with frame %dx%d (minimum %dx%d), tabs need %d of %d px\n",
                 window.screen()->availableGeometry().width(), window.screen()->availableGeometry().height(),
                 window.width(), window.height(), window.frameGeometry().width(),
                 window.frameGeometry().height(), window.minimumSizeHint().width(),
                 window.minimumSizeHint().height(), tabs->sizeHint().width(), tabs->width());
    shown->grab().save(argv[1]);
    window.close();
  });
  return app.exec();
}
