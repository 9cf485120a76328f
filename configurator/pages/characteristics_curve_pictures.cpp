#include "pages/characteristics_curve_pictures.h"

#include <QPainter>
#include <QPen>
#include <QPolygon>

#include "model/characteristic_curve.h"
#include "model/form_state.h"
#include "pages/characteristics_operations.h"
#include "ui/field_validation.h"

namespace velk {

namespace {

constexpr int kTicks = 10;
constexpr int kTickLength = 4;
constexpr int kLegendLeft = kPlotOriginLeft + kPlotWidth + 12;
constexpr int kLegendBox = 10;
constexpr int kLegendRowHeight = 18;

QPoint toQPoint(PlotPoint point) { return {point.x, point.y}; }

// One pixel wide whatever the transformation.
QPen hairline(const QColor& color) { return QPen(color, 0); }

QFont sizedFont(const QFont& base, int pointSize) {
  QFont font = base;
  font.setPointSize(pointSize);
  return font;
}

}  // namespace

CurvePicture::CurvePicture(QWidget* parent) : QWidget(parent) { setFixedSize(kWidth, kHeight); }

void CurvePicture::paintFrame(QPainter& painter) const {
  const QPalette& colors = palette();
  painter.fillRect(rect(), colors.color(QPalette::Button));

  const QPoint origin = toQPoint(curvePlotPoint(0, 0, height()));
  const QPoint farCorner = toQPoint(curvePlotPoint(100, 100, height()));
  const QRect plot(QPoint(origin.x(), farCorner.y()), QPoint(farCorner.x(), origin.y()));
  painter.fillRect(plot, Qt::white);
  painter.setPen(hairline(colors.color(QPalette::WindowText)));
  // An outline of width w covers w + 1 pixels: the edges lie on 0 % and 100 %.
  painter.drawRect(plot.adjusted(0, 0, -1, -1));

  painter.setFont(sizedFont(font(), 7));
  const int labelHeight = painter.fontMetrics().height();
  for (int tick = 0; tick <= kTicks; ++tick) {
    const QString label = QString::number(tick * 100 / kTicks);
    const QPoint onX = toQPoint(curvePlotPoint(tick * 100.0 / kTicks, 0, height()));
    painter.drawLine(onX, onX + QPoint(0, kTickLength));
    painter.drawText(QRect(onX.x() - 15, onX.y() + kTickLength + 1, 30, labelHeight),
                     Qt::AlignHCenter | Qt::AlignTop, label);
    const QPoint onY = toQPoint(curvePlotPoint(0, tick * 100.0 / kTicks, height()));
    painter.drawLine(onY, onY - QPoint(kTickLength, 0));
    painter.drawText(QRect(onY.x() - kTickLength - 32, onY.y() - labelHeight / 2, 30, labelHeight),
                     Qt::AlignRight | Qt::AlignVCenter, label);
  }

  painter.setFont(sizedFont(font(), 8));
  painter.drawText(QRect(plot.left(), 0, plot.width(), plot.top() - 3), Qt::AlignHCenter | Qt::AlignBottom,
                   "Character");
  painter.drawText(QRect(plot.left(), origin.y() + kTickLength + labelHeight, plot.width(),
                         height() - origin.y() - kTickLength - labelHeight),
                   Qt::AlignHCenter | Qt::AlignTop, "Input %");
  painter.save();
  painter.translate(4, plot.center().y());
  painter.rotate(-90);
  painter.drawText(QRect(-plot.height() / 2, 0, plot.height(), painter.fontMetrics().height()),
                   Qt::AlignHCenter | Qt::AlignTop, "Travel %");
  painter.restore();
}

void CurvePicture::paintLegendEntry(QPainter& painter, int row, const QColor& color,
                                    const QString& name) const {
  const int top = curvePlotPoint(0, 100, height()).y + 4 + row * kLegendRowHeight;
  const QRect box(kLegendLeft, top, kLegendBox, kLegendBox);
  painter.fillRect(box, color);
  painter.setPen(hairline(palette().color(QPalette::WindowText)));
  painter.drawRect(box.adjusted(0, 0, -1, -1));
  painter.setFont(sizedFont(font(), 8));
  painter.drawText(QRect(box.right() + 6, top - 3, width() - box.right() - 6, kLegendBox + 6),
                   Qt::AlignLeft | Qt::AlignVCenter, name);
}

ReferenceCurvesPicture::ReferenceCurvesPicture(QWidget* parent) : CurvePicture(parent) {}

void ReferenceCurvesPicture::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  paintFrame(painter);

  painter.setPen(hairline(curve_colors::kLinear));
  painter.drawLine(toQPoint(curvePlotPoint(0, 0, height())), toQPoint(curvePlotPoint(100, 100, height())));
  struct PixelCurve {
    FixedCurve curve;
    QColor color;
  };
  for (const PixelCurve& shown : {PixelCurve{FixedCurve::SquareRoot, curve_colors::kSquareRoot},
                                  PixelCurve{FixedCurve::EqualPercent, curve_colors::kEqualPercent},
                                  PixelCurve{FixedCurve::QuickOpen, curve_colors::kQuickOpen}}) {
    painter.setPen(hairline(shown.color));
    for (const PlotPoint& pixel : fixedCurveColumns(shown.curve, height()))
      painter.drawPoint(toQPoint(pixel));
  }

  paintLegendEntry(painter, 0, curve_colors::kLinear, "Linear");
  paintLegendEntry(painter, 1, curve_colors::kSquareRoot, "Square root");
  paintLegendEntry(painter, 2, curve_colors::kEqualPercent, "Equal (%)");
  paintLegendEntry(painter, 3, curve_colors::kQuickOpen, "Quick open");
}

SelectedCurvePicture::SelectedCurvePicture(FormState& form, const WindowState& window, QWidget* parent)
    : CurvePicture(parent), form_(form), window_(window) {
  connect(&form_, &FormState::changed, this, [this](const QString& name) {
    if (name == kImage2) update();
  });
}

void SelectedCurvePicture::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  paintFrame(painter);

  QPolygon line;
  for (const PlotPoint& point : curvePlotLine(drawnCurve(form_), height(), decimalSeparator(window_)))
    line.append(toQPoint(point));
  painter.setPen(hairline(curve_colors::kCustom));
  painter.drawPolyline(line);

  paintLegendEntry(painter, 0, curve_colors::kCustom, "Custom Curve");
}

}  // namespace velk
