// Saves a picture of the main window, to look at the layout without a desktop:
//   QT_QPA_PLATFORM=offscreen window_snapshot out.png [page-index]

#include <QApplication>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "shell/configurator.h"
#include "shell/main_window.h"
#include "support/fake_hart_link.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: window_snapshot OUT.png [page-index]\n");
    return 2;
  }
  QTemporaryDir home;
  velk::Configurator core([](velk::WindowState&) { return std::make_unique<velk::FakeHartLink>(); });
  velk::TForm1 window(core, {home.filePath("settings.ini"), home.filePath("data")});
  if (argc > 2) window.pageControl()->setCurrentIndex(QString(argv[2]).toInt());
  window.show();
  QTimer::singleShot(200, [&] {
    window.grab().save(argv[1]);
    window.close();
  });
  return app.exec();
}
