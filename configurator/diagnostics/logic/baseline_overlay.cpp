#include "diagnostics/logic/baseline_overlay.h"

#include <QPainter>

#include "diagnostics/logic/diagnostic_graphs.h"

namespace velk {

namespace {

// The layout puts a text's top; its baseline lies this far below.
constexpr int kTextBaseline = 11;
constexpr int kLegendRight = kDiag2GraphWidth - 6;
constexpr int kLegendTop = 4;
constexpr int kLegendRow = 14;
constexpr int kLegendSample = 24;  // the line drawn before a legend's text

// One-pixel lines (cosmetic, whatever the scale), the end point left out as
// DIAG 2 always drew them; each segment starts its dash pattern afresh, so
// every point of a dashed curve is inked.
void drawPicture(QPainter& painter, const Diag2Picture& picture, const QColor& colour, Qt::PenStyle style) {
  painter.setPen(QPen(colour, 0, style, Qt::FlatCap));
  for (const PixelLine& line : picture.curve) painter.drawLine(line.x1, line.y1, line.x2, line.y2);
  for (const AxisText& star : picture.stars)
    painter.drawText(QPoint(star.left, star.top + kTextBaseline), QString::fromStdString(star.text));
}

void drawLegend(QPainter& painter, const QStringList& names, const QList<QColor>& colours,
                const QList<Qt::PenStyle>& styles) {
  const QFontMetrics metrics(painter.font());
  int widest = 0;
  for (const QString& name : names) widest = std::max(widest, metrics.horizontalAdvance(name));
  const int left = kLegendRight - widest - kLegendSample - 4;
  for (qsizetype i = 0; i < names.size(); ++i) {
    const int top = kLegendTop + int(i) * kLegendRow;
    const int middle = top + kLegendRow / 2;
    painter.setPen(QPen(colours[i], 0, styles[i], Qt::FlatCap));
    painter.drawLine(left, middle, left + kLegendSample, middle);
    painter.drawText(QPoint(left + kLegendSample + 4, top + kTextBaseline), names[i]);
  }
}

}  // namespace

void drawDataSetOverReference(QPainter& painter, const QRectF& target, const HistoryValues& now,
                              const HistoryValues* reference, const QString& referenceName) {
  const Diag2Graph graph = diag2GraphNamed(now.title);
  painter.save();
  painter.translate(target.topLeft());
  painter.scale(target.width() / kDiag2GraphWidth, target.height() / kDiag2GraphHeight);
  painter.setClipRect(QRect(0, 0, kDiag2GraphWidth, kDiag2GraphHeight));
  // The compared curve first: where the two meet, the data set stays on top.
  if (reference) drawPicture(painter, dataSetPicture(graph, reference->values), overlay_colour::kReference, Qt::DashLine);
  drawPicture(painter, dataSetPicture(graph, now.values), overlay_colour::kNow, Qt::SolidLine);
  if (reference)
    drawLegend(painter, {"Uploaded", referenceName}, {overlay_colour::kNow, overlay_colour::kReference},
               {Qt::SolidLine, Qt::DashLine});
  painter.restore();
}

}  // namespace velk
