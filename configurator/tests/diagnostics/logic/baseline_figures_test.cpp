#include "diagnostics/logic/baseline_figures.h"

#include <gtest/gtest.h>

#include <QLocale>

namespace velk {
namespace {

using Values = std::vector<std::optional<std::int32_t>>;

// A friction data set: element 0 of each block is not drawn.
Values friction(const std::vector<std::int32_t>& points) {
  Values values{10};
  for (std::int32_t p : points) values.emplace_back(p);
  return values;
}

// Pressure: block 0 and the magnitude of block 1 drawn, blocks 2 and 3 not.
Values pressure(std::int32_t band) {
  Values values(44, 0);
  for (int i = 1; i <= 10; ++i) {
    const std::int32_t spring = 1200 + 240 * i;
    values[std::size_t(i)] = spring + band;
    values[std::size_t(11 + i)] = -(spring - band);  // closing, stored negative
  }
  return values;
}

Values ramp(int count, int flatFrom = 100, int flatTo = 100) {
  Values values;
  for (int i = 0; i < count; ++i) values.emplace_back(i >= flatFrom && i < flatTo ? flatFrom : i);
  return values;
}

const std::vector<std::int32_t> kFriction = {2000, 2100, 2200, 2300, 2400, 2500, 2600, 2700, 2800, 2900};

std::vector<std::int32_t> shifted(std::vector<std::int32_t> points, std::int32_t by) {
  for (auto& p : points) p += by;
  return points;
}

TEST(BaselineFigures, AreKnownByConstructionAndADashWhereTheyCannotBeComputed) {
  QLocale::setDefault(QLocale::c());
  Values failedPoint = friction(kFriction);
  failedPoint[4] = std::nullopt;
  struct Case {
    const char* what;
    HistoryValues now;
    std::optional<HistoryValues> baseline;
    QStringList lines;
  };
  const Case cases[] = {
      {"no baseline: the mean alone", {"Friction over position", friction(kFriction)}, {}, {"Mean: 2450.0"}},
      {"a copy shifted by 150",
       {"Friction over position", friction(shifted(kFriction, 150))},
       HistoryValues{"Friction over position", friction(kFriction)},
       {"Mean: 2600.0", "Baseline mean: 2450.0", "Largest difference: 150"}},
      // Friction adds to the pressure opening and takes from it closing: the
      // gap between the curves is twice the band.
      {"pressure bands of 150 and 100",
       {"Pressure over position", pressure(150)},
       HistoryValues{"Pressure over position", pressure(100)},
       {"Curve 1 mean: 2670.0", "Curve 1 baseline mean: 2620.0", "Curve 1 largest difference: 50",
        "Curve 2 mean: 2370.0", "Curve 2 baseline mean: 2420.0", "Curve 2 largest difference: 50",
        "Widest gap between the curves: 300", "Baseline widest gap: 200"}},
      // A ramp held flat from point 40 to 59 lags the ramp by up to 19.
      {"a flat band in a ramp",
       {"Ramp signature", ramp(100, 40, 60)},
       HistoryValues{"Ramp signature", ramp(100)},
       {"Mean: 47.6", "Baseline mean: 49.5", "Largest difference: 19"}},
      {"a failed block among the points",
       {"Friction over position", failedPoint},
       HistoryValues{"Friction over position", friction(kFriction)},
       {QString::fromUtf8("Mean: \u2013"), "Baseline mean: 2450.0", QString::fromUtf8("Largest difference: \u2013")}},
      // A failed value the graph does not draw (element 0) spoils nothing.
      {"a failed value that is not drawn",
       {"Friction over position", Values{std::nullopt, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
       {},
       {"Mean: 1.0"}},
      // Only the points both hold are compared: the shorter baseline's 50.
      {"a baseline of fewer points",
       {"Ramp signature", ramp(100, 10, 90)},
       HistoryValues{"Ramp signature", ramp(50)},
       {"Mean: 17.9", "Baseline mean: 24.5", "Largest difference: 39"}},
      {"a baseline with no drawn point",
       {"Friction over position", friction(kFriction)},
       HistoryValues{"Friction over position", Values{7}},
       {"Mean: 2450.0", QString::fromUtf8("Baseline mean: \u2013"), QString::fromUtf8("Largest difference: \u2013")}},
      {"no figures without a data set", {"Control histogram", ramp(10)}, {}, {}},
  };
  for (const Case& c : cases) {
    const BaselineFigures figures = baselineFigures(c.now, c.baseline ? &*c.baseline : nullptr);
    EXPECT_EQ(baselineFigureLines(figures), c.lines) << c.what;
  }
  QLocale::setDefault(QLocale::system());
}

TEST(BaselineFigures, NameTheComparedCurveByItsLocalDate) {
  const QDateTime utc(QDate(2026, 3, 18), QTime(12, 0), Qt::UTC);
  const QDateTime local = utc.toLocalTime();
  EXPECT_EQ(referenceName(utc, true), "Baseline " + local.toString("yyyy-MM-dd"));
  EXPECT_EQ(referenceName(utc, false), "Record " + local.toString("yyyy-MM-dd HH:mm"));
  const HistoryValues loaded{"Ramp signature", ramp(3)};
  EXPECT_EQ(baselineFigureLines(baselineFigures(loaded, &loaded), "Record").value(1), "Record mean: 1.0");
}

}  // namespace
}  // namespace velk
