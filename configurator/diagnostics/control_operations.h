#pragma once
// The CONTROL page's operations as plain functions of the form state, the
// live data and a job: the setpoint source, the page read, the setpoint send
// and its fixed values and steps, the ramp, starting and stopping the live
// graph, saving it and loading comparison sets. Device traffic runs only in
// the functions that take a JobContext, which the page posts as jobs; "Read
// All", "Send All", the configuration file and "&Default" call the three
// *Click operations with Sender::Sequence.

#include <QString>
#include <string_view>

#include "comm/page_module.h"
#include "model/edit_validation.h"

namespace velk {

class FormState;
class LiveData;
class ThreadCommands;
class WindowOperations;
struct WindowState;

inline constexpr const char* kSetpointSourceGroup = "RadioGroupSetPointSource";
inline constexpr const char* kSetpointEdit = "EditSetPoint";

// The show check boxes of the live graph, which the drawing reads.
inline constexpr const char* kShowLiveSetpoint = "CheckBoxShowGraphHARTSetpoint";
inline constexpr const char* kShowLivePosition = "CheckBoxShowGraphHARTPosition";
inline constexpr const char* kShowLoadedSetpoint[2] = {"CheckBoxShowGraphLoaded1Setpoint",
                                                       "CheckBoxShowGraphLoaded2Setpoint"};
inline constexpr const char* kShowLoadedPosition[2] = {"CheckBoxShowGraphLoaded1Position",
                                                       "CheckBoxShowGraphLoaded2Position"};

// Writes the source chosen in the radio group (command 140). SetPointSource
// takes the chosen code whatever the device answers.
void RadioGroupSetPointSourceClick(const JobContext& job, Sender sender);

// Reads the setpoint source (141) and the process values (3): position,
// setpoint with its unit, and the deviation in the position unit.
void ButtonControlReadClick(const JobContext& job, Sender sender);

// Sends the setpoint typed in EditSetPoint (142), converted from its unit
// into percent, only while the setpoint comes over HART; otherwise does
// nothing. The field keeps its unit.
void ButtonControlSendClick(const JobContext& job, Sender sender);

// "Send 0 %", "Send 50 %", "Send 100 %": the percent, in the unit the field
// shows, into EditSetPoint, and the send.
void sendFixedSetpoint(const JobContext& job, double percent);

// "Step +25%" and "Step -25%": the whole part of the current setpoint (in
// percent) moved by 25 while it stays within 0..100, into the field in its
// unit, then the send.
enum class SetpointStep { Up, Down };
void stepSetpoint(const JobContext& job, SetpointStep step);

// One tick of the ramp (every 2 s while "Ramp" is down): the setpoint field's
// value moves 2 % of travel towards the end it is heading for, and, while
// connected with the setpoint over HART and no calibration running, goes to
// the command thread as request 142, which writes it and shows it in
// EditSetPoint in the field's unit.
void rampTick(FormState& form, LiveData& live, const WindowState& window, ThreadCommands& commands);

// EditSetPoint's bounds in the unit it shows (the stroke from SETUP).
FloatEditBounds setpointFieldBounds(const FormState& form, const LiveData& live, const WindowState& window);

// "Start graph" asks the command thread for burst monitoring; "Stop graph"
// asks it to stop and hides the extra-data labels.
void startGraph(LiveData& live, WindowOperations& operations);
void stopGraph(LiveData& live, FormState& form, WindowOperations& operations);

// "Save graph" after the dialog: the samples the live graph shows, oldest
// first, into `chosenName` (".txt" appended by the text filter's rule). The
// name becomes LastGraphFile. The status bar reports the lines saved, or that
// the file could not be written.
void saveGraph(const QString& chosenName, bool textFilterChosen, LiveData& live, FormState& form,
               WindowState& window);

// "Load graph" after the dialog: up to 169 points into the comparison set
// that RadioButton1/RadioButton2 choose; a set that received points is shown.
void loadGraph(const QString& chosenName, bool textFilterChosen, LiveData& live, FormState& form);

// Where the graph file dialogs start: the file last saved, in its folder when
// the name has one, else in the graphs folder.
QString graphSaveDialogStart(const WindowState& window, const QString& graphsFolder);
QString graphOpenDialogFolder(const WindowState& window, const QString& graphsFolder);

// The page's fields that "&Default" resets: EditSetPoint "0" and the source
// "Auto (4-20 mA)". Returns whether the source selection changed, in which
// case the caller runs RadioGroupSetPointSourceClick.
bool applyControlConfigurationDefaults(FormState& form);

// The page's start values and "&Default" values: the source with its
// items, the setpoint, the value labels and the show check boxes.
const PageDefaults& controlPageDefaults();
// Everything the page starts with.
void applyControlPageDefaults(FormState& form, WindowState& window);

// What the status bar adds when a file or "&Default" would change the
// setpoint source while a calibration runs.
inline constexpr const char* kSourceKeptText = "the setpoint source was not changed: a calibration runs";

// After a file or "&Default": a changed setpoint source selection is taken as
// the user's click would be. Connected, the source is sent (velk sends it with
// the rest of what differs), unless a calibration runs: the selection then
// goes back to the device's source. Not connected, the window takes it for
// its control states alone.
void controlAfterConfigurationLoaded(const LoadedConfiguration& loaded);

// How the value labels show the live reading. The deviation is the plain
// difference setpoint - position here, named after `deviationUnit` (the page
// read instead converts the setpoint into the position unit first).
struct ProcessValueLabels {
  std::string_view deviationUnit;
  bool showSetpoint = true;  // whether EditSetPoint shows the setpoint too
};

// Writes LabelPosValue, LabelDevValue, LabelTempValue, EditSetPoint (when
// asked) and, for devices that report it, LabelPressValue.
void showProcessValues(FormState& form, const WindowState& window, const BurstReading& reading,
                       const ProcessValueLabels& labels);

// After connecting: the setpoint source read and the process values, with
// the deviation in percent.
void controlAfterConnect(const JobContext& job, const ConnectionReadings& readings);

// Every burst message: the value labels, with the deviation named after the
// setpoint's unit, the extra-data labels of a loop-current message, and the
// curves a message cannot feed unticked.
void controlAfterBurstSample(const JobContext& job, const BurstMessage& message);

}  // namespace velk
