#include "report/report_signature.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "history/history_values.h"

namespace velk {

void drawSignature(QPainter& painter, const QRectF& area, const HistoryValues& values) {
  painter.save();
  const QFontMetricsF metrics(painter.font());
  const qreal labelWidth = metrics.horizontalAdvance("-2147483648 ");
  const QRectF plot = area.adjusted(labelWidth, metrics.height() / 2, 0, -metrics.height() * 1.5);
  QPen frame(Qt::black, 0);
  painter.setPen(frame);
  painter.drawRect(plot);

  std::optional<std::int32_t> low, high;
  for (const auto& value : values.values) {
    if (!value) continue;
    low = std::min(low.value_or(*value), *value);
    high = std::max(high.value_or(*value), *value);
  }
  if (!low || values.values.size() < 2) {
    painter.drawText(plot, Qt::AlignCenter, "No values to draw");
    painter.restore();
    return;
  }
  // A flat curve is drawn across the middle.
  const double bottom = *low == *high ? *low - 1.0 : *low;
  const double top = *low == *high ? *high + 1.0 : *high;
  const double last = double(values.values.size() - 1);
  auto at = [&](std::size_t i, std::int32_t v) {
    return QPointF(plot.left() + plot.width() * double(i) / last,
                   plot.bottom() - plot.height() * (double(v) - bottom) / (top - bottom));
  };

  painter.drawText(QRectF(area.left(), plot.top() - metrics.height() / 2, labelWidth * 0.95, metrics.height()),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(*high));
  painter.drawText(QRectF(area.left(), plot.bottom() - metrics.height() / 2, labelWidth * 0.95, metrics.height()),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(*low));
  painter.drawText(QRectF(plot.left(), plot.bottom(), plot.width(), metrics.height() * 1.5), Qt::AlignCenter,
                   QString("%1 values in the device's order").arg(values.values.size()));

  QPainterPath curve;
  bool drawing = false;
  for (std::size_t i = 0; i < values.values.size(); ++i) {
    const auto& value = values.values[i];
    if (!value) {
      drawing = false;
      continue;
    }
    if (drawing)
      curve.lineTo(at(i, *value));
    else
      curve.moveTo(at(i, *value));
    drawing = true;
  }
  painter.setClipRect(plot);
  painter.setPen(QPen(Qt::black, metrics.height() / 12, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(curve);
  painter.restore();
}

}  // namespace velk
