// The data set over its baseline, as pixels: each curve where its own data
// puts it, in its own colour, at any size it is drawn at.
#include "diagnostics/logic/baseline_overlay.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

namespace velk {
namespace {

using Values = std::vector<std::optional<std::int32_t>>;

QImage draw(const HistoryValues& now, const HistoryValues* baseline, double scale = 1.0) {
  QImage image(int(kDiag2GraphWidth * scale), int(kDiag2GraphHeight * scale), QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  drawDataSetOverReference(painter, QRectF(0, 0, image.width(), image.height()), now, baseline, "Baseline 2026-03-18");
  return image;
}

// A pixel of `colour` within one pixel of (x, y): scaled lines may round either way.
bool inkedNear(const QImage& image, int x, int y, const QColor& colour) {
  for (int dx = -1; dx <= 1; ++dx)
    for (int dy = -1; dy <= 1; ++dy)
      if (image.valid(x + dx, y + dy) && image.pixelColor(x + dx, y + dy) == colour) return true;
  return false;
}

bool columnHas(const QImage& image, int x, int fromY, const QColor& colour) {
  for (int y = fromY; y < image.height(); ++y)
    if (image.pixelColor(x, y) == colour) return true;
  return false;
}

Values flat(int count, std::int32_t value) { return Values(std::size_t(count), value); }

TEST(BaselineOverlay, EachCurveLiesWhereItsDataPutsItInItsColour) {
  // Friction: the baseline 1500 units (20 pixels) below the upload.
  Values now{10}, base{10};
  for (int i = 0; i < 10; ++i) {
    now.emplace_back(3000 + 100 * i);
    base.emplace_back(1500 + 100 * i);
  }
  const HistoryValues friction{"Friction over position", now}, frictionBase{"Friction over position", base};
  const auto row = [](std::int32_t v) { return int(205 - v * 0.013333333); };
  for (double scale : {1.0, 2.0}) {
    const QImage image = draw(friction, &frictionBase, scale);
    for (int i : {2, 5}) {
      const int x = int((20 * i + 10) * scale);
      EXPECT_TRUE(inkedNear(image, x, int(row(*base[i + 1]) * scale), overlay_colour::kReference)) << scale << " " << i;
      EXPECT_TRUE(inkedNear(image, x, int(row(*now[i + 1]) * scale), overlay_colour::kNow)) << scale << " " << i;
      EXPECT_FALSE(inkedNear(image, x, int(row(*now[i + 1]) * scale), overlay_colour::kReference)) << scale << " " << i;
    }
  }
  // Without a baseline nothing is drawn in its colour, not even a legend.
  const QImage alone = draw(friction, nullptr);
  for (int x = 0; x < alone.width(); ++x) ASSERT_FALSE(columnHas(alone, x, 0, overlay_colour::kReference)) << x;
}

TEST(BaselineOverlay, ACurveEndsWhereItsPointsEndAndAFailedPointIsLeftOut) {
  // A ramp signature of 100 points (2 pixels apart) over a baseline of 50
  // whose 31st value failed, on rows of their own below the legend's.
  Values base = flat(50, 2);
  base[30] = std::nullopt;
  const HistoryValues now{"Ramp signature", flat(100, 0)}, baseline{"Ramp signature", base};
  const QImage image = draw(now, &baseline);
  EXPECT_TRUE(columnHas(image, 0, 30, overlay_colour::kReference));
  EXPECT_TRUE(columnHas(image, 2 * 40, 30, overlay_colour::kReference));
  // Not filled in across the failed point, nor carried on past the last.
  for (int x : {59, 60, 61}) EXPECT_FALSE(columnHas(image, x, 30, overlay_colour::kReference)) << x;
  for (int x = 2 * 49 + 1; x < 2 * 99; ++x) ASSERT_FALSE(columnHas(image, x, 30, overlay_colour::kReference)) << x;
  EXPECT_TRUE(columnHas(image, 2 * 60, 30, overlay_colour::kNow));
}

}  // namespace
}  // namespace velk
