#pragma once
// The main window paints the margins around its page control yellow and the
// corner right of the banner red (OnForm1Paint).

#include <QColor>
#include <QRect>
#include <QSize>
#include <vector>

class QWidget;

namespace velk {

struct MarginArea {
  QRect rect;
  QColor colour;
};

// The areas to fill, in window (central widget) coordinates: left of the page
// control, right of it and below it from the banner down in yellow, and right
// of it beside the banner in red.
std::vector<MarginArea> windowMarginAreas(const QRect& pageControl, const QSize& window, int bannerHeight);

// Paints the areas on `central` whenever it paints, around `pageControl`.
void installWindowMargins(QWidget* central, QWidget* pageControl, int bannerHeight);

}  // namespace velk
