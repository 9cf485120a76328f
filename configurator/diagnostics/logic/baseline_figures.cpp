#include "diagnostics/logic/baseline_figures.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace velk {

namespace {

using Points = std::vector<std::optional<double>>;

// The dash a figure that cannot be computed shows.
const QString kNoFigure = QString::fromUtf8("\u2013");

// mean = (p_0 + ... + p_(n-1)) / n over the n points of the curve; none when
// n = 0 or a point failed.
Figure mean(const Points& curve) {
  if (curve.empty()) return std::nullopt;
  double sum = 0;
  for (const auto& p : curve) {
    if (!p) return std::nullopt;
    sum += *p;
  }
  return sum / static_cast<double>(curve.size());
}

// max over i < min(n_a, n_b) of |a_i - b_i|: point by point over the points
// both hold, never resampled; none when they share no point or one of those
// failed.
Figure largestDifference(const Points& a, const Points& b) {
  const std::size_t shared = std::min(a.size(), b.size());
  if (shared == 0) return std::nullopt;
  double largest = 0;
  for (std::size_t i = 0; i < shared; ++i) {
    if (!a[i] || !b[i]) return std::nullopt;
    largest = std::max(largest, std::fabs(*a[i] - *b[i]));
  }
  return largest;
}

// The widest gap between a data set's two curves is the largest difference
// of the one from the other.
Figure widestGap(const std::vector<Points>& curves) {
  return curves.size() == 2 ? largestDifference(curves[0], curves[1]) : std::nullopt;
}

QString shown(const Figure& figure, int decimals) {
  return figure ? QLocale().toString(*figure, 'f', decimals) : kNoFigure;
}

}  // namespace

BaselineFigures baselineFigures(const HistoryValues& now, const HistoryValues* baseline) {
  BaselineFigures figures;
  figures.graph = diag2GraphNamed(now.title);
  figures.withBaseline = baseline != nullptr;
  const std::vector<Points> nowCurves = drawnCurves(figures.graph, now.values);
  std::vector<Points> baseCurves;
  if (baseline) baseCurves = drawnCurves(figures.graph, baseline->values);
  for (std::size_t c = 0; c < nowCurves.size(); ++c) {
    CurveFigures curve;
    curve.mean = mean(nowCurves[c]);
    if (baseline) {
      const Points none;
      const Points& base = c < baseCurves.size() ? baseCurves[c] : none;
      curve.baselineMean = mean(base);
      curve.largestDifference = largestDifference(nowCurves[c], base);
    }
    figures.curves.push_back(curve);
  }
  figures.twoCurves = nowCurves.size() == 2;
  if (figures.twoCurves) {
    figures.widestGap = widestGap(nowCurves);
    if (baseline) figures.baselineWidestGap = widestGap(baseCurves);
  }
  return figures;
}

QStringList baselineFigureLines(const BaselineFigures& figures, const QString& reference) {
  QStringList lines;
  // "Mean" alone, "Curve 1 mean" with two curves.
  const auto line = [&lines](const QString& prefix, const QString& what, const QString& value) {
    const QString text = prefix.isEmpty() ? what.left(1).toUpper() + what.mid(1) : prefix + what;
    lines << text + ": " + value;
  };
  const QString ref = reference.toLower();
  for (std::size_t c = 0; c < figures.curves.size(); ++c) {
    const CurveFigures& curve = figures.curves[c];
    const QString prefix = figures.twoCurves ? QString("Curve %1 ").arg(c + 1) : QString();
    line(prefix, "mean", shown(curve.mean, 1));
    if (!figures.withBaseline) continue;
    line(prefix, ref + " mean", shown(curve.baselineMean, 1));
    line(prefix, "largest difference", shown(curve.largestDifference, 0));
  }
  if (figures.twoCurves) {
    line({}, "widest gap between the curves", shown(figures.widestGap, 0));
    if (figures.withBaseline) line({}, ref + " widest gap", shown(figures.baselineWidestGap, 0));
  }
  return lines;
}

QString referenceName(const QDateTime& time, bool baseline) {
  const QDateTime local = time.toLocalTime();
  return baseline ? "Baseline " + local.toString("yyyy-MM-dd") : "Record " + local.toString("yyyy-MM-dd HH:mm");
}

}  // namespace velk
