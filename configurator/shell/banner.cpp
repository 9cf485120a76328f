#include "shell/banner.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace velk {

namespace {

// A control valve: the bow-tie body on a pipe, the stem and the actuator.
void paintValve(QPainter& painter, QPointF centre, double size) {
  const double half = size / 2;
  painter.setPen(QPen(Qt::white, 2));
  painter.drawLine(QPointF(centre.x() - size, centre.y()), QPointF(centre.x() + size, centre.y()));
  QPainterPath body;
  body.moveTo(centre.x() - half, centre.y() - half * 0.6);
  body.lineTo(centre.x() + half, centre.y() + half * 0.6);
  body.lineTo(centre.x() + half, centre.y() - half * 0.6);
  body.lineTo(centre.x() - half, centre.y() + half * 0.6);
  body.closeSubpath();
  painter.setBrush(QColor(255, 204, 0));
  painter.drawPath(body);
  painter.drawLine(centre, QPointF(centre.x(), centre.y() - size * 0.9));
  QPainterPath actuator;
  actuator.moveTo(centre.x() - half, centre.y() - size * 0.9);
  actuator.arcTo(QRectF(centre.x() - half, centre.y() - size * 1.35, size, size * 0.9), 180, -180);
  actuator.closeSubpath();
  painter.drawPath(actuator);
}

}  // namespace

Banner::Banner(QWidget* parent) : QWidget(parent) {
  setObjectName("Image3");
  setFixedHeight(kBannerHeight);
  setMinimumWidth(300);
}

void Banner::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient background(0, 0, width(), 0);
  background.setColorAt(0, QColor(0, 48, 96));
  background.setColorAt(1, QColor(40, 110, 170));
  painter.fillRect(rect(), background);

  paintValve(painter, QPointF(52, 58), 36);

  QFont title = font();
  title.setPointSizeF(title.pointSizeF() * 2.2);
  title.setBold(true);
  painter.setFont(title);
  painter.setPen(Qt::white);
  const QRect titleBox(100, 14, width() - 110, 40);
  painter.drawText(titleBox, Qt::AlignLeft | Qt::AlignVCenter,
                   painter.fontMetrics().elidedText("Velk Configurator", Qt::ElideRight, titleBox.width()));
  QFont subtitle = font();
  subtitle.setPointSizeF(subtitle.pointSizeF() * 1.1);
  painter.setFont(subtitle);
  painter.setPen(QColor(255, 204, 0));
  const QRect subtitleBox(102, 54, width() - 110, 24);
  painter.drawText(subtitleBox, Qt::AlignLeft | Qt::AlignVCenter,
                   painter.fontMetrics().elidedText("Q5 / Q50 digital valve positioners over HART",
                                                    Qt::ElideRight, subtitleBox.width()));
}

}  // namespace velk
