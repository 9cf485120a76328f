#pragma once
// The automatic calibration: travel calibration, leak test and tuning (or
// travel calibration only), run by the device and followed by the program.
// It is a long job of the command thread that makes one pass per turn: the
// end check, a poll of the calibration status (command 159), then what the
// stage calls for. Burst monitoring and other jobs get the link between
// passes, so no transaction ever overlaps another.
//
// WindowState::StopRequested is clear while a sequence runs and set
// otherwise; "Abort Cal" sets it, and the next pass sends the running stage's
// stop command. The status polls, one a pass, leave their failures out of the
// communication log; every other command's failure is logged. From the click
// to its end WindowState::CalibrationRunning keeps the commands that change
// the device's settings disabled. When the connection ends under a sequence,
// the sequence ends without a stop command: the device finishes its stage on
// its own, as it would with the cable pulled.

#include <QString>
#include <optional>

#include "comm/step_job.h"
#include "pages/logic/calibration_rules.h"

namespace velk {

class Configurator;
class FormState;
class WindowOperations;
struct JobContext;
struct WindowState;

inline constexpr const char* kCalibrationJob = "calibration";
inline constexpr const char* kPidUpdatedText = "PID Parameters Updated !";

// "Calibrate device": travel calibration only unless ComboBoxCalType reads
// "Autocalibration"; empties the stage labels and LabelCalPIDUpdated and
// returns the sequence as the job the page posts (kCalibrationJob). A
// sequence still running goes on. Sending settings is disabled from now
// until the sequence ends.
StepJob ButtonCalibrateClick(Configurator& core);

// "Abort Cal": the sequence stops at its next pass.
void ButtonAbortCalibrateClick(WindowState& window);

// "Abort Cal" is enabled while a sequence runs that has not been asked to stop.
void UpdateAbortButton(const WindowState& window, WindowOperations& operations);

class CalibrationSequence {
 public:
  explicit CalibrationSequence(bool travelOnly) : travelOnly_(travelOnly) {}

  // One pass; returns whether the sequence goes on.
  bool pass(const JobContext& job);

  // The sequence is over, however it ended (the connection ending under it:
  // without sending anything).
  static void finish(WindowState& window, WindowOperations& operations);
  // The same for this sequence, which the device history then keeps with
  // `outcome` and what the page shows (once, and only if it began).
  void end(FormState& form, WindowState& window, WindowOperations& operations, const QString& outcome);

 private:
  bool ended(const JobContext& job);
  void stopStage(const JobContext& job);
  void poll(const JobContext& job);
  void followStage(const JobContext& job);
  void readTunedParameters(const JobContext& job);
  void show(const JobContext& job, int status) const;
  void record(FormState& form, WindowState& window, const QString& outcome) const;

  const bool travelOnly_;
  bool started_ = false;
  CalibrationStage stage_ = CalibrationStage::Starting;
  std::optional<int> status_;  // the last status the device reported
  bool finished_ = false;
  bool tunedRead_ = false;  // P, I and D were read back after tuning
  bool ended_ = false;
};

}  // namespace velk
