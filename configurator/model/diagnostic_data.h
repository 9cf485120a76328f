#pragma once
// What the TRENDS and DIAG 2 pages uploaded from the positioner's memory, as
// the main window keeps it: uploads run on the command thread, the graphs
// paint on the GUI thread, so every use goes through the holder's lock. The
// data stays until the next upload of the same kind, also across
// disconnections; at start it is all zero.

#include <QDateTime>
#include <QString>
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace velk {

// TrendRaw: per variable (0 Friction, 1 Deviation, 2 Position) 24 hourly,
// 31 daily, 12 monthly and 25 yearly values, in 0.01 units.
inline constexpr int kTrendVariables = 3;
inline constexpr int kTrendValues = 92;
using TrendValues = std::vector<std::int32_t>;

// The data sets of DIAG 2's graph types.
enum class DiagDataSet {
  FrictionCurve,       // 2 blocks of 11
  PressureCurve,       // 4 blocks of 11
  TravelHistogram,     // 16
  RampSignature,       // 100
  MultiStepSignature,  // 100
  SmallStepSignature,  // 100
};
inline constexpr int kDiagDataSets = 6;
int diagDataSetSize(DiagDataSet set);

// What DIAG 2 draws beside an uploaded data set: the device's baseline of
// it, or a record loaded from the device history in its place. Its values
// as stored (none where a block failed), however many there are.
struct DiagReference {
  std::vector<std::optional<std::int32_t>> values;
  QDateTime time;         // when it was uploaded (UTC)
  bool baseline = false;  // the device's baseline, not a record loaded to compare
  qint64 deviceId = -1;   // the device whose baseline it is
};

class DiagnosticData {
 public:
  DiagnosticData();

  // Always kTrendValues values; an unknown variable gives zeros.
  TrendValues trend(int variable) const;
  void setTrend(int variable, TrendValues values);

  // Always diagDataSetSize(set) values.
  std::vector<std::int32_t> dataSet(DiagDataSet set) const;
  // `failed` marks the values whose block failed at that upload (they kept
  // what they were); empty: none.
  void setDataSet(DiagDataSet set, std::vector<std::int32_t> values, std::vector<bool> failed = {});
  // Always diagDataSetSize(set) marks.
  std::vector<bool> dataSetFailed(DiagDataSet set) const;

  std::optional<DiagReference> reference(DiagDataSet set) const;
  void setReference(DiagDataSet set, std::optional<DiagReference> reference);

  // "Two curves" (2) or "Multicurves" (4); no drawing uses it yet.
  std::atomic<int> CurveCount{2};

 private:
  mutable std::mutex mutex_;
  std::array<TrendValues, kTrendVariables> trends_;
  std::array<std::vector<std::int32_t>, kDiagDataSets> sets_;
  std::array<std::vector<bool>, kDiagDataSets> failed_;
  std::array<std::optional<DiagReference>, kDiagDataSets> references_;
};

}  // namespace velk
