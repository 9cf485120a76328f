#include "diagnostics/diag_alarms_operations.h"

#include <memory>

#include "diagnostics/history_views.h"
#include "diagnostics/modules.h"
#include "model/form_state.h"

namespace velk {

namespace {

constexpr int kAlarmArea = 9;
constexpr int kAlarmTableBytes = 87;  // the last byte is not shown
// The row numbers skip 26.
constexpr int kFirstRenumberedByte = 26;

constexpr const char* kAlarmTexts[kDiagnosticAlarms] = {
    "No alarm :",
    "Deviation alarm :",
    "Limit alarm 1 :",
    "Limit alarm 2 :",
    "Difference alarm :",
    "Pressure alarm :",
    "Temperature alarm :",
    "Memory flawed :",
    "CPU failure :",
    "Air relay out of spec :",
    "Pulse counter high :",
    "Overcurrent :",
    "Undervoltage :",
    "Pot not calibrated :",
    "Pot failure :",
    "Press sensor disconnected :",
    "Press sensor failure :",
    "Current sensor failure :",
    "Temp sensor failure :",
    "Hall sensor failure :",
    "High friction percent :",
    "Low friction percent :",
    "High friction :",
    "Low friction :",
    "High hysteresis :",
    "Low hysteresis :",
    "Travel accumulator high :",
    "Cycle counter high :",
    "Number of cutoffs low high :",
    "Number of cutoffs high high :",
    "EP stress high :",
    "Air relay lifetime exceeded :",
    "C+ leakage :",
    "C - leakage :",
    "Air relay leakage :",
    "Control out of tune :",
    "Sticky valve :",
    "Underdim. actuator :",
    "Low supply pressure :",
    "High supply pressure :",
    "Low C+ pressure :",
    "High C+ pressure :",
    "Low C- pressure :",
    "High C- pressure :",
    "Low available force :",
    "High available force :",
    "Possible difficult positions :",
    "Low force :",
    "High force :",
    "Spring range low wrong :",
    "Spring range high wrong :",
    "Spring range wrong :",
    "Travel range low wrong :",
    "Travel range high wrong :",
    "Travel range wrong :",
    "Limp home advised :",
    "Limp home running :",
    "Foreign object in valve :",
    "Bellows leakage :",
    "Bellows life exceeded :",
    "Broken stem :",
    "Eroded valve body :",
    "Galling emerging :",
    "Loose valve-act interface :",
    "Packing lifetime exceeded :",
    "Seat damage :",
    "Seat lifetime exceeded :",
    "Sticking :",
    "Stuck valve :",
    "Cutoff failure low :",
    "Cutoff failure high :",
    "Actuator spring broken :",
    "Actuator spring weakened :",
    "Spring might not allow full return to failsafe :",
    "Air consumption high :",
    "Feedback linkage loose :",
    "Feedback linkage broken :",
    "Configuration error :",
    "Manual mode :",
    "Out of service :",
    "Tuning error outer loop :",
    "Setpoint oscillation :",
    "Sticky seat :",
    "Pressure sensor C+ failure :",
    "Pressure sensor C- failure :",
    "Failed PST :",
};

}  // namespace

QString alarmCheckBox(int byte) { return QString("CheckBox%1").arg(byte + 2); }

int alarmRowNumber(int byte) { return byte < kFirstRenumberedByte ? byte : byte + 1; }

const char* alarmText(int byte) { return byte >= 0 && byte < kDiagnosticAlarms ? kAlarmTexts[byte] : ""; }

StepJob uploadAlarms() {
  auto table = std::make_shared<std::vector<std::int32_t>>();
  return uploadJob({
      [table](const JobContext& job, UploadSequence& sequence) {
        job.form.setText(kUploadMessage, QString());
        // A block that fails keeps what its boxes show.
        table->assign(kAlarmTableBytes, 0);
        for (int byte = 0; byte < kDiagnosticAlarms; ++byte)
          (*table)[static_cast<std::size_t>(byte)] = job.form.checked(alarmCheckBox(byte)) ? 1 : 0;
        sequence.add(kAlarmArea, 0, kAlarmTableBytes, 1, *table);
      },
      [table](const JobContext& job, const MemoryUploadResult& result) {
        for (int byte = 0; byte < kDiagnosticAlarms; ++byte)
          job.form.setChecked(alarmCheckBox(byte), (*table)[static_cast<std::size_t>(byte)] != 0);
        job.form.setText(kUploadMessage, result.ok() ? "Upload OK" : "Error in uploading");
        job.progress(uploadOutcomeText(result));
      },
      UploadRecord{HistoryKind::Alarms,
                   [](const JobContext& job, const std::vector<bool>& failed) {
                     return alarmsRecord(job.form, failed);
                   }},
  });
}

const PageModule& diagAlarmsModule() {
  static const PageModule module{
      .name = "DIAGNOSTICS",
      .caption = "DIAG ALARMS",
      // The TUNING page's self test fills these even before this page is shown.
      .defaults =
          [](FormState& form, WindowState&) {
            for (const char* field : {"Edit4", "Edit5", "Edit6", kUploadMessage})
              form.setText(field, QString());
            for (int byte = 0; byte < kDiagnosticAlarms; ++byte) form.setChecked(alarmCheckBox(byte), false);
          },
  };
  return module;
}

}  // namespace velk
