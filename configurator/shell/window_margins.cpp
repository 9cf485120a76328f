#include "shell/window_margins.h"

#include <QEvent>
#include <QPainter>
#include <QPointer>
#include <QWidget>

namespace velk {

namespace {

const QColor kMarginColour(255, 255, 0);
const QColor kCornerColour(255, 0, 0);

// Paints the margins before the window's own (empty) paint handler runs.
class MarginPainter : public QObject {
 public:
  MarginPainter(QWidget* central, QWidget* pageControl, int bannerHeight)
      : QObject(central), central_(central), pageControl_(pageControl), bannerHeight_(bannerHeight) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == central_ && event->type() == QEvent::Paint && pageControl_) {
      QPainter painter(central_);
      const QRect pageControl(pageControl_->mapTo(central_, QPoint(0, 0)), pageControl_->size());
      for (const MarginArea& area : windowMarginAreas(pageControl, central_->size(), bannerHeight_))
        painter.fillRect(area.rect, area.colour);
    }
    return false;
  }

 private:
  QWidget* central_;
  QPointer<QWidget> pageControl_;
  int bannerHeight_;
};

}  // namespace

std::vector<MarginArea> windowMarginAreas(const QRect& pageControl, const QSize& window, int bannerHeight) {
  const int right = pageControl.left() + pageControl.width();
  const int below = pageControl.top() + pageControl.height();
  return {
      {QRect(QPoint(0, bannerHeight), QPoint(pageControl.left() - 1, window.height() - 1)), kMarginColour},
      {QRect(QPoint(right, bannerHeight), QPoint(window.width() - 1, window.height() - 1)), kMarginColour},
      {QRect(QPoint(pageControl.left(), below), QPoint(right - 1, window.height() - 1)), kMarginColour},
      {QRect(QPoint(right, 0), QPoint(window.width() - 1, bannerHeight - 1)), kCornerColour},
  };
}

void installWindowMargins(QWidget* central, QWidget* pageControl, int bannerHeight) {
  central->installEventFilter(new MarginPainter(central, pageControl, bannerHeight));
}

}  // namespace velk
