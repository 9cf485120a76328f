#pragma once
// The figures DIAG 2 shows beside a data set drawn over its baseline,
// computed from the points as the graph draws them (drawnCurves): per curve
// the mean now and in the baseline and the largest difference between the
// two, and for the pressure data set, which draws two curves, the widest gap
// between them now and in the baseline. A figure that cannot be computed
// (no point to compute it from, a failed block among the points it needs)
// is none, shown as "–", never as a number.

#include <QDateTime>
#include <QStringList>
#include <optional>
#include <vector>

#include "diagnostics/logic/diagnostic_graphs.h"
#include "history/history_values.h"

namespace velk {

using Figure = std::optional<double>;

struct CurveFigures {
  Figure mean;
  Figure baselineMean;
  Figure largestDifference;
};

struct BaselineFigures {
  Diag2Graph graph = Diag2Graph::None;  // from the data set's title
  bool withBaseline = false;
  std::vector<CurveFigures> curves;  // one per curve the graph draws
  bool twoCurves = false;            // the pressure data set: the gaps below apply
  Figure widestGap;
  Figure baselineWidestGap;
};

// `now` and `baseline` as stored (history_values.h); the graph type is the
// title of `now`. No baseline: only the figures of `now`.
BaselineFigures baselineFigures(const HistoryValues& now, const HistoryValues* baseline);

// The figures as shown, a line each ("Mean: 2403.5", "Baseline mean: 2210.0",
// "Largest difference: –"), the compared curve called `reference`
// ("Baseline", or "Record" for one loaded to compare); numbers in the
// locale's form. None for a graph type without figures.
QStringList baselineFigureLines(const BaselineFigures& figures, const QString& reference = "Baseline");

// What the legend calls the curve drawn beside the data set: the device's
// baseline by its local date ("Baseline 2026-03-18"), a record loaded to
// compare by its local date and time ("Record 2026-03-18 14:02").
QString referenceName(const QDateTime& time, bool baseline);

}  // namespace velk
