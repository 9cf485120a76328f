#include "diagnostics/trends_operations.h"

#include <memory>

#include "diagnostics/history_views.h"
#include "diagnostics/modules.h"
#include "model/form_state.h"

namespace velk {

namespace {

constexpr int kFirstTrendArea = 2;
constexpr float kRawUnit = 0.01f;

}  // namespace

const std::array<TrendChart, 4> kTrendCharts = {{
    {"Today", 0, 0, 24, 5, 40, 4},
    {"Month", 1, 24, 31, 5, 40, 4},
    {"Year", 2, 55, 12, 10, 40, 2},
    {"Years", 3, 67, 25, 5, 40, 4},
}};

std::vector<float> trendChartValues(const TrendValues& raw, const TrendChart& chart) {
  std::vector<float> values;
  for (int i = chart.first; i < chart.first + chart.count; ++i)
    values.push_back(i < static_cast<int>(raw.size())
                         ? static_cast<float>(raw[static_cast<std::size_t>(i)]) * kRawUnit
                         : 0.0f);
  return values;
}

StepJob uploadTrends() {
  struct Run {
    int variable = -1;
    std::array<std::vector<std::int32_t>, 4> charts;
  };
  auto run = std::make_shared<Run>();
  return uploadJob({
      [run](const JobContext& job, UploadSequence& sequence) {
        run->variable = job.form.selectedIndex(kTrendVariableSelector);
        if (run->variable < 0 || run->variable >= kTrendVariables) return;
        // A block that fails keeps the values of the variable's last upload.
        const TrendValues raw = job.window.Diagnostics.trend(run->variable);
        for (std::size_t c = 0; c < kTrendCharts.size(); ++c) {
          const TrendChart& chart = kTrendCharts[c];
          run->charts[c].assign(raw.begin() + chart.first, raw.begin() + chart.first + chart.count);
          sequence.add(kFirstTrendArea + run->variable, chart.start, chart.count, 2, run->charts[c]);
        }
      },
      [run](const JobContext& job, const MemoryUploadResult& result) {
        if (result.blocks == 0) return;
        TrendValues raw;
        for (const auto& chart : run->charts) raw.insert(raw.end(), chart.begin(), chart.end());
        job.window.Diagnostics.setTrend(run->variable, std::move(raw));
        job.progress(uploadOutcomeText(result));
      },
      UploadRecord{HistoryKind::Trend,
                   [](const JobContext& job, const std::vector<bool>& failed) {
                     return trendRecord(job.form, job.window, failed);
                   }},
  });
}

const PageModule& trendsModule() {
  static const PageModule module{
      .name = "TabSheet3",
      .caption = "TRENDS",
      .defaults =
          [](FormState& form, WindowState&) {
            form.setItems(kTrendVariableSelector, {"Friction", "Deviation", "Position"});
            form.setSelectedIndex(kTrendVariableSelector, -1);
          },
  };
  return module;
}

}  // namespace velk
