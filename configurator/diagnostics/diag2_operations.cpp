#include "diagnostics/diag2_operations.h"

#include <memory>

#include "comm/device_commands.h"
#include "comm/job_context.h"
#include "diagnostics/history_views.h"
#include "diagnostics/modules.h"
#include "model/form_state.h"
#include "model/live_data.h"

namespace velk {

namespace {

constexpr std::array<const char*, 3> kDynamicVariableSelectors = {"ComboBox4", "ComboBox5", "ComboBox6"};
constexpr std::array<const char*, 4> kAssignmentSelectors = {"ComboBox3", "ComboBox4", "ComboBox5",
                                                             "ComboBox6"};
constexpr unsigned kNoVariable = 255;

// Where a data set lies in the device's memory: one upload per row.
struct DataSetUpload {
  DiagDataSet set;
  int area;
  int start;
  int count;
  int size;
  int first;  // index of its first element in the data set
};
constexpr DataSetUpload kDataSetUploads[] = {
    {DiagDataSet::FrictionCurve, 5, 0, 11, 4, 0},       {DiagDataSet::FrictionCurve, 5, 1, 11, 4, 11},
    {DiagDataSet::PressureCurve, 6, 0, 11, 4, 0},       {DiagDataSet::PressureCurve, 6, 1, 11, 4, 11},
    {DiagDataSet::PressureCurve, 6, 2, 11, 4, 22},      {DiagDataSet::PressureCurve, 6, 3, 11, 4, 33},
    {DiagDataSet::TravelHistogram, 7, 0, 16, 2, 0},     {DiagDataSet::RampSignature, 8, 0, 100, 2, 0},
    {DiagDataSet::MultiStepSignature, 8, 1, 100, 2, 0}, {DiagDataSet::SmallStepSignature, 8, 2, 100, 2, 0},
};

void applyDiag2Defaults(FormState& form, WindowState&) {
  const QStringList variables = {"Position",    "Setpoint",     "Temperature",
                                 "C+ pressure", "Deviation",    "Supply pressure",
                                 "C- pressure", "Raw position", "Filtered position"};
  form.setItems("ComboBox3", {"Position"});
  form.setSelectedIndex("ComboBox3", -1);
  for (const char* selector : kDynamicVariableSelectors) {
    form.setItems(selector, variables);
    form.setSelectedIndex(selector, -1);
  }
  for (const char* box : kBurstBoxes) form.setChecked(box, box == kBurstBoxes[2]);
  QStringList graphs;
  for (const char* name : kDiag2GraphNames) graphs << name;
  form.setItems(kGraphTypeSelector, graphs);
  form.setSelectedIndex(kGraphTypeSelector, -1);
}

}  // namespace

std::array<int, 3> dynamicVariableSelections(const FormState& form) {
  std::array<int, 3> selections{};
  for (std::size_t i = 0; i < selections.size(); ++i)
    selections[i] = form.selectedIndex(kDynamicVariableSelectors[i]);
  return selections;
}

int chosenBurstCommand(const FormState& form) {
  if (form.checked(kBurstBoxes[0])) return 1;
  if (form.checked(kBurstBoxes[1])) return 2;
  return 3;
}

void burstBoxClicked(FormState& form, const QString& box) {
  if (!form.checked(box)) return;
  for (const char* other : kBurstBoxes)
    if (box != QLatin1String(other)) form.setChecked(other, false);
}

void Button47Click(const JobContext& job) {
  {
    auto tx = job.transaction();
    for (std::size_t slot = 0; slot < kAssignmentSelectors.size(); ++slot) {
      const int index = job.form.selectedIndex(kAssignmentSelectors[slot]);
      tx->SetInteger(static_cast<int>(slot), 1, index < 0 ? kNoVariable : static_cast<unsigned>(index));
    }
    job.ExecuteCommand(tx, kWriteDynamicVariables, 4);
  }
  int command = 0;
  for (std::size_t i = 0; i < kBurstBoxes.size() && command == 0; ++i)
    if (job.form.checked(kBurstBoxes[i])) command = static_cast<int>(i) + 1;
  if (command == 0) return;
  auto tx = job.transaction();
  tx->SetInteger(0, 1, static_cast<unsigned>(command));
  job.ExecuteCommand(tx, kWriteBurstCommand, 1);
}

void setLiveGraphScale(LiveData& live, bool scale4092) { live.graph.setView(defaultGraphView(scale4092)); }

Diag2Graph selectedDiag2Graph(const FormState& form) {
  const int index = form.selectedIndex(kGraphTypeSelector);
  if (index < static_cast<int>(Diag2Graph::Normal) ||
      index > static_cast<int>(Diag2Graph::SmallStepSignature))
    return Diag2Graph::None;
  return static_cast<Diag2Graph>(index);
}

std::optional<DiagDataSet> diag2DataSet(Diag2Graph graph) {
  switch (graph) {
    case Diag2Graph::FrictionOverPosition: return DiagDataSet::FrictionCurve;
    case Diag2Graph::PressureOverPosition: return DiagDataSet::PressureCurve;
    case Diag2Graph::TravelHistogram: return DiagDataSet::TravelHistogram;
    case Diag2Graph::RampSignature: return DiagDataSet::RampSignature;
    case Diag2Graph::MultiStepSignature: return DiagDataSet::MultiStepSignature;
    case Diag2Graph::SmallStepSignature: return DiagDataSet::SmallStepSignature;
    default: return std::nullopt;
  }
}

StepJob uploadDiag2Data() {
  struct Run {
    std::optional<DiagDataSet> set;
    std::vector<std::vector<std::int32_t>> blocks;
    std::vector<bool> blockFailed;  // per upload row: a block of it failed, or it was never read
    int failedSoFar = 0;
  };
  auto run = std::make_shared<Run>();
  return uploadJob({
      [run](const JobContext& job, UploadSequence& sequence) {
        run->set = diag2DataSet(selectedDiag2Graph(job.form));
        if (!run->set) return;
        // A block that fails keeps the values of the last upload.
        const std::vector<std::int32_t> last = job.window.Diagnostics.dataSet(*run->set);
        run->blocks.reserve(std::size(kDataSetUploads));  // the sequence keeps pointers into it
        for (const DataSetUpload& upload : kDataSetUploads) {
          if (upload.set != *run->set) continue;
          auto& values = run->blocks.emplace_back(last.begin() + upload.first,
                                                  last.begin() + upload.first + upload.count);
          const std::size_t row = run->blockFailed.size();
          run->blockFailed.push_back(true);
          // Blocks not read yet count as failed in the sequence's result:
          // what is left once they are taken off failed in the rows read.
          sequence.add(upload.area, upload.start, upload.count, upload.size, values,
                       [run, row](UploadSequence& done) {
                         const MemoryUploadResult sofar = done.result();
                         const int failed = sofar.failedBlocks - (sofar.blocks - done.blocksDone());
                         run->blockFailed[row] = failed > run->failedSoFar;
                         run->failedSoFar = failed;
                       });
        }
      },
      [run](const JobContext& job, const MemoryUploadResult& result) {
        if (!run->set) return;
        std::vector<std::int32_t> values;
        std::vector<bool> failed;
        for (std::size_t row = 0; row < run->blocks.size(); ++row) {
          values.insert(values.end(), run->blocks[row].begin(), run->blocks[row].end());
          failed.insert(failed.end(), run->blocks[row].size(), run->blockFailed[row]);
        }
        job.window.Diagnostics.setDataSet(*run->set, std::move(values), std::move(failed));
        job.progress(uploadOutcomeText(result));
      },
      UploadRecord{HistoryKind::Signature,
                   [](const JobContext& job, const std::vector<bool>& failed) {
                     return signatureRecord(job.form, job.window, failed);
                   }},
  });
}

const PageModule& diag2Module() {
  static const PageModule module{
      .name = "TabSheetDiag",
      .caption = "DIAG 2",
      .defaults = &applyDiag2Defaults,
      .controlRules = {{when::connected,
                        {"ButtonPlusStep", "ButtonMinusStep", "ButtonPlusRamp", "ButtonMinusRamp",
                         "ButtonPlusHalfsine", "ButtonMinusHalfsine", "ButtonSaveAndLoad", "CheckBoxBurstPos",
                         "CheckBoxBurstSetpoint", "CheckBoxBurst4chan", "CheckBoxXY"}}},
      .burstCommand = &chosenBurstCommand,
  };
  return module;
}

}  // namespace velk
