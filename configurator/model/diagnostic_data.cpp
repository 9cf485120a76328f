#include "model/diagnostic_data.h"

namespace velk {

int diagDataSetSize(DiagDataSet set) {
  switch (set) {
    case DiagDataSet::FrictionCurve: return 2 * 11;
    case DiagDataSet::PressureCurve: return 4 * 11;
    case DiagDataSet::TravelHistogram: return 16;
    case DiagDataSet::RampSignature:
    case DiagDataSet::MultiStepSignature:
    case DiagDataSet::SmallStepSignature: return 100;
  }
  return 0;
}

DiagnosticData::DiagnosticData() {
  for (TrendValues& trend : trends_) trend.assign(kTrendValues, 0);
  for (int set = 0; set < kDiagDataSets; ++set) {
    const auto size = static_cast<std::size_t>(diagDataSetSize(static_cast<DiagDataSet>(set)));
    sets_[static_cast<std::size_t>(set)].assign(size, 0);
    failed_[static_cast<std::size_t>(set)].assign(size, false);
  }
}

TrendValues DiagnosticData::trend(int variable) const {
  if (variable < 0 || variable >= kTrendVariables) return TrendValues(kTrendValues, 0);
  std::lock_guard lock(mutex_);
  return trends_[static_cast<std::size_t>(variable)];
}

void DiagnosticData::setTrend(int variable, TrendValues values) {
  if (variable < 0 || variable >= kTrendVariables) return;
  values.resize(kTrendValues, 0);
  std::lock_guard lock(mutex_);
  trends_[static_cast<std::size_t>(variable)] = std::move(values);
}

std::vector<std::int32_t> DiagnosticData::dataSet(DiagDataSet set) const {
  std::lock_guard lock(mutex_);
  return sets_[static_cast<std::size_t>(set)];
}

void DiagnosticData::setDataSet(DiagDataSet set, std::vector<std::int32_t> values, std::vector<bool> failed) {
  values.resize(static_cast<std::size_t>(diagDataSetSize(set)), 0);
  failed.resize(values.size(), false);
  std::lock_guard lock(mutex_);
  sets_[static_cast<std::size_t>(set)] = std::move(values);
  failed_[static_cast<std::size_t>(set)] = std::move(failed);
}

std::vector<bool> DiagnosticData::dataSetFailed(DiagDataSet set) const {
  std::lock_guard lock(mutex_);
  return failed_[static_cast<std::size_t>(set)];
}

std::optional<DiagReference> DiagnosticData::reference(DiagDataSet set) const {
  std::lock_guard lock(mutex_);
  return references_[static_cast<std::size_t>(set)];
}

void DiagnosticData::setReference(DiagDataSet set, std::optional<DiagReference> reference) {
  std::lock_guard lock(mutex_);
  references_[static_cast<std::size_t>(set)] = std::move(reference);
}

}  // namespace velk
