#include "pages/tuning_operations.h"

#include <array>
#include <optional>

#include "model/form_state.h"
#include "model/window_state.h"
#include "pages/logic/calibration_rules.h"
#include "pages/modules.h"

namespace velk {

namespace {

constexpr int kMaxMinPulse = 65535;  // sent as two bytes

constexpr const char* kPidFields[] = {"EditPID_P", "EditPID_I", "EditPID_D"};
constexpr const char* kPidLabels[] = {"LabelCalPValue", "LabelCalIValue", "LabelCalDValue"};

struct MinPulseField {
  const char* name;
  const char* caption;
};
constexpr MinPulseField kMinPulseFields[] = {{"EditMinpulseUp", "Minpulse Up"},
                                             {"EditMinpulseUp2", "Minpulse Up 2"},
                                             {"EditMinpulseDn", "Minpulse Dn"},
                                             {"EditMinpulseDn2", "Minpulse Dn 2"}};

// The CALIBRATE page shows the PID the TUNING page holds, as written there.
void copyPidToCalibrateLabels(FormState& form) {
  for (int i = 0; i < 3; ++i) form.setText(kPidLabels[i], form.text(kPidFields[i]));
}

std::optional<int> wholeNumber(const QString& text) {
  const QString trimmed = text.trimmed();
  if (trimmed.isEmpty() || trimmed.size() > 5) return std::nullopt;
  int value = 0;
  for (const QChar digit : trimmed) {
    if (digit < '0' || digit > '9') return std::nullopt;
    value = value * 10 + digit.digitValue();
  }
  if (value > kMaxMinPulse) return std::nullopt;
  return value;
}

// The four minimum pulses, or nothing when one is no whole number that fits
// the request (the user learns which).
std::optional<std::array<int, 4>> minPulsesToSend(const JobContext& job) {
  std::array<int, 4> pulses{};
  for (int i = 0; i < 4; ++i) {
    const QString text = job.form.text(kMinPulseFields[i].name);
    const auto value = wholeNumber(text);
    if (!value) {
      job.operations.reportError(
          QString("The minimum pulses were not sent: \"%1\" in %2 is not a whole number from 0 to %3.")
              .arg(text, kMinPulseFields[i].caption)
              .arg(kMaxMinPulse));
      return std::nullopt;
    }
    pulses[i] = *value;
  }
  return pulses;
}

template <std::size_t N>
std::optional<std::array<float, N>> numbersToSend(const JobContext& job,
                                                  const std::pair<const char*, const char*> (&fields)[N]) {
  std::array<float, N> values{};
  for (std::size_t i = 0; i < N; ++i) {
    const auto value = numberToSend(job, fields[i].first, fields[i].second);
    if (!value) return std::nullopt;
    values[i] = *value;
  }
  return values;
}

template <std::size_t N>
void fillFloats(HartLink& request, const std::array<float, N>& values) {
  for (std::size_t i = 0; i < N; ++i) request.SetFloat(static_cast<int>(4 * i), values[i]);
}

}  // namespace

const PageDefaults& tuningDefaults() {
  constexpr auto kStartOnly = DefaultUse::StartOnly;
  constexpr auto kFileDefaultOnly = DefaultUse::FileDefaultOnly;
  static const PageDefaults defaults = {
      {"EditCloseTime", "0"},
      {"EditOpenTime", "0"},
      {"EditDeadBand", "0.5"},
      {"EditToggleTime", "0"},
      {"EditToggleCycleTime", "0"},
      {"EditToggleSize", "0"},
      {"EditPID_P", "5"},
      {"EditPID_I", "1"},
      {"EditPID_D", "0.05"},
      // "&Default" also shows the PID values on the CALIBRATE page, whose
      // labels start empty until a calibration reports them.
      {.name = "LabelCalPValue", .text = "5", .use = kFileDefaultOnly},
      {.name = "LabelCalIValue", .text = "1", .use = kFileDefaultOnly},
      {.name = "LabelCalDValue", .text = "0.05", .use = kFileDefaultOnly},
      // The minimum pulses are the device's own: "&Default" leaves them alone.
      {.name = "EditMinpulseUp", .use = kStartOnly},
      {.name = "EditMinpulseUp2", .use = kStartOnly},
      {.name = "EditMinpulseDn", .use = kStartOnly},
      {.name = "EditMinpulseDn2", .use = kStartOnly},
      {.name = "LabelSelfTest", .use = kStartOnly},
  };
  return defaults;
}

const std::vector<BoundedField>& tuningBoundedFields() {
  static const std::vector<BoundedField> fields = {
      {"EditCloseTime", kCloseTimeBounds},
      {"EditOpenTime", kOpenTimeBounds},
      {"EditDeadBand", kDeadBandBounds},
      {"EditToggleTime", kToggleTimeBounds},
      {"EditToggleCycleTime", kToggleCycleTimeBounds},
      {"EditToggleSize", kToggleSizeBounds},
      {"EditPID_P", kPidPBounds},
      {"EditPID_I", kPidIBounds},
      {"EditPID_D", kPidDBounds},
  };
  return fields;
}

bool hasMinPulses(const WindowState& window) {
  return window.DeviceType.load() == kDeviceTypeQ5 && window.DeviceVersion.load() > 90;
}

void readTuning(const JobContext& job, Sender sender) {
  PageOperation page(job, sender);
  FormState& form = job.form;

  page.progress("Reading open/close time...");
  page.read(171, 0, ReplyBytes{8}, [&](HartLink& reply) {
    showNumber(form, job.window, "EditOpenTime", reply.GetFloat(0));
    showNumber(form, job.window, "EditCloseTime", reply.GetFloat(4));
  });

  page.progress("Reading deadband...");
  page.read(173, 0, ReplyBytes{4},
            [&](HartLink& reply) { showNumber(form, job.window, "EditDeadBand", reply.GetFloat(0)); });

  page.progress("Reading PID parameters...");
  page.read(169, 0, ReplyBytes{12}, [&](HartLink& reply) {
    for (int i = 0; i < 3; ++i) showNumber(form, job.window, kPidFields[i], reply.GetFloat(4 * i));
    copyPidToCalibrateLabels(form);
  });

  if (!hasMinPulses(job.window)) return;
  page.progress("Reading minpulses...");
  page.read(242, 0, ReplyBytes{8}, [&](HartLink& reply) {
    for (int i = 0; i < 4; ++i)
      form.setText(kMinPulseFields[i].name, QString::number(reply.GetInteger(2 * i, 2)));
  });
}

void sendTuning(const JobContext& job, Sender sender) {
  PageOperation page(job, sender);

  page.progress("Sending open/close time...");
  const auto times = numbersToSend(job, {{"EditOpenTime", "open time"}, {"EditCloseTime", "close time"}});
  bool sent = times && page.send(170, 8, [&](HartLink& request) { fillFloats(request, *times); });

  if (sent) page.progress("Sending deadband...");
  const auto band = numbersToSend(job, {{"EditDeadBand", "dead band"}});
  sent = band && page.send(172, 4, [&](HartLink& request) { fillFloats(request, *band); });

  if (sent) page.progress("Sending PID parameters...");
  const auto pid = numbersToSend(job, {{kPidFields[0], "PID parameter P"},
                                       {kPidFields[1], "PID parameter I"},
                                       {kPidFields[2], "PID parameter D"}});
  sent = pid && page.send(168, 12, [&](HartLink& request) { fillFloats(request, *pid); });
  if (sent) copyPidToCalibrateLabels(job.form);

  if (!hasMinPulses(job.window)) return;
  if (sent) page.progress("Sending minpulses...");
  if (const auto pulses = minPulsesToSend(job)) {
    page.send(243, 8, [&](HartLink& request) {
      for (int i = 0; i < 4; ++i) request.SetInteger(2 * i, 2, static_cast<unsigned>((*pulses)[i]));
    });
  }
}

void ButtonToggleStepStartClick(const JobContext& job, Sender) {
  const auto values = numbersToSend(job, {{"EditToggleTime", "toggle-step time"},
                                          {"EditToggleCycleTime", "toggle-step cycle time"},
                                          {"EditToggleSize", "toggle-step size"}});
  if (!values) return;
  auto tx = job.transaction();
  fillFloats(tx.api(), *values);
  job.ExecuteCommand(tx, 164, 12);
}

void ButtonToggleStepCancelClick(const JobContext& job, Sender) {
  auto tx = job.transaction();
  job.ExecuteCommand(tx, 165, 0);
}

const PageModule& tuningModule() {
  static const PageModule module{
      .name = "TabSheetTuning",
      .caption = "TUNING",
      .defaultValues = &tuningDefaults,
      .read = &readTuning,
      .send = &sendTuning,
      .readButton = "ButtonTuningRead",
      .sendButton = "ButtonTuningSend",
      .controlRules =
          {
              {when::connectedInService, {"ButtonToggleStepStart", "ButtonToggleStepCancel"}},
              {[](const ControlConditions& c) {
                 return c.deviceType == kDeviceTypeQ5 && c.deviceVersion > 90;
               },
               {"EditMinpulseUp", "EditMinpulseUp2", "EditMinpulseDn", "EditMinpulseDn2"}},
          },
      .configurationPlace = 7,
      // The PID values also stand on the CALIBRATE page.
      .configurationEntries =
          {
              {"CLOSE TIME", ConfigValueForm::Text, "EditCloseTime"},
              {"OPEN TIME", ConfigValueForm::Text, "EditOpenTime"},
              {"DEAD BAND", ConfigValueForm::Text, "EditDeadBand"},
              {"TOGGLE TIME", ConfigValueForm::Text, "EditToggleTime"},
              {"TOGGLE CYCLE TIME", ConfigValueForm::Text, "EditToggleCycleTime"},
              {"TOGGLE SIZE", ConfigValueForm::Text, "EditToggleSize"},
              {"PID P", ConfigValueForm::Text, "EditPID_P", 0, false, {"LabelCalPValue"}},
              {"PID I", ConfigValueForm::Text, "EditPID_I", 0, false, {"LabelCalIValue"}},
              {"PID D", ConfigValueForm::Text, "EditPID_D", 0, false, {"LabelCalDValue"}},
          },
      .readAllPlace = 5,
      .sendAllPlace = 5,
      .sentKeys = {"CLOSE TIME", "OPEN TIME", "DEAD BAND", "PID P", "PID I", "PID D"},
  };
  return module;
}

}  // namespace velk
