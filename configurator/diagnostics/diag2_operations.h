#pragma once
// The DIAG 2 page without widgets: the burst message and its dynamic
// variables ("Configure", commands 51 and 108), the live graph's vertical
// scale, and the diagnostic data sets uploaded for its graph (ComboBox2).
// Other pages use it too: which variables command 3 reports in slots 2 to 4
// (ComboBox4 to ComboBox6, where the CONTROL page's read looks for the
// setpoint) and which message burst monitoring asks the device for
// (CheckBoxBurstPos, CheckBoxBurstSetpoint, CheckBoxBurst4chan).

#include <QString>
#include <array>
#include <optional>

#include "comm/device_memory.h"
#include "diagnostics/logic/diagnostic_graphs.h"
#include "model/diagnostic_data.h"

namespace velk {

class FormState;
class LiveData;
struct JobContext;

inline constexpr const char* kGraphTypeSelector = "ComboBox2";
inline constexpr std::array<const char*, 3> kBurstBoxes = {"CheckBoxBurstPos", "CheckBoxBurstSetpoint",
                                                           "CheckBoxBurst4chan"};

// The item index each of ComboBox4 to ComboBox6 shows, -1 for none.
std::array<int, 3> dynamicVariableSelections(const FormState& form);

// The burst command the check boxes choose: 1 position, 2 setpoint (loop
// current), else 3 the four dynamic variables.
int chosenBurstCommand(const FormState& form);

// After the user clicked one of the burst check boxes: at most one stays
// checked, the one clicked if the click checked it.
void burstBoxClicked(FormState& form, const QString& box);

// "Configure" (Button47Click): command 51 with the item index of ComboBox3 to
// ComboBox6 (255 for a selector without selection), then, if a burst box is
// checked, command 108 with its burst command.
void Button47Click(const JobContext& job);

// "100% scale" (false) and "4092 scale" (true): the live graph's unzoomed
// view in that vertical scale.
void setLiveGraphScale(LiveData& live, bool scale4092);

// The graph type ComboBox2 shows.
Diag2Graph selectedDiag2Graph(const FormState& form);

// The data set a graph type draws; none for "Normal graph", "Control
// histogram" and no selection.
std::optional<DiagDataSet> diag2DataSet(Diag2Graph graph);

// "Upload" (Button37Click): the data set of the graph type chosen, read
// block by block; a failed block keeps its values, marked as failed
// (DiagnosticData::dataSetFailed: the whole row of the table it is in), and
// the status bar tells the outcome. Types without a data set upload nothing.
StepJob uploadDiag2Data();

}  // namespace velk
