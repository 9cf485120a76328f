// How long drawing the largest data set (a 100-point signature) over its
// baseline takes, with its figures: on DIAG 2's graph box, and on an A4
// page's graph at 300 dots per inch as a report draws it. Prints figures;
// the goal is under 16 ms, one frame.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "diagnostics/logic/baseline_figures.h"
#include "diagnostics/logic/baseline_overlay.h"

namespace {

velk::HistoryValues signature(double phase) {
  velk::HistoryValues values{"Ramp signature", {}};
  for (int i = 0; i < 100; ++i) values.values.emplace_back(std::lround(2 + 2 * std::sin(i / 10.0 + phase)));
  return values;
}

void measure(const char* what, QSize size, int rounds) {
  const velk::HistoryValues now = signature(0.3), baseline = signature(0.0);
  QImage image(size, QImage::Format_RGB32);
  std::vector<double> ms;
  for (int round = 0; round < rounds; ++round) {
    const auto start = std::chrono::steady_clock::now();
    image.fill(Qt::white);
    QPainter painter(&image);
    velk::drawDataSetOverReference(painter, QRectF(QPointF(0, 0), QSizeF(size)), now, &baseline,
                                   "Baseline 2026-03-18");
    const QStringList lines = velk::baselineFigureLines(velk::baselineFigures(now, &baseline));
    painter.drawText(QRect(0, 0, size.width(), size.height()), Qt::AlignRight, lines.join('\n'));
    painter.end();
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  // The first round loads the fonts: said apart from the rest.
  const double first = ms.front();
  ms.erase(ms.begin());
  std::sort(ms.begin(), ms.end());
  std::printf("%-26s %4d x %3d px: first %.2f ms, then median %.3f ms, 95th %.3f ms, worst %.3f ms (%d rounds)\n",
              what, size.width(), size.height(), first, ms[ms.size() / 2], ms[ms.size() * 95 / 100], ms.back(),
              rounds);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QGuiApplication app(argc, argv);
  std::printf("Goal: under 16 ms a drawing.\n");
  measure("DIAG 2 graph box", {velk::kDiag2GraphWidth, velk::kDiag2GraphHeight}, 500);
  // 170 mm x 83 mm at 300 dpi: the graph across an A4 page's text width.
  measure("A4 report graph, 300 dpi", {2008, 976}, 100);
  return 0;
}
