#include "pages/read_operations.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "comm/connection.h"
#include "comm/device_commands.h"
#include "comm/thread_commands.h"
#include "model/form_fields.h"
#include "model/form_state.h"
#include "model/number_text.h"
#include "model/window_state.h"
#include "pages/modules.h"

namespace velk {

namespace {

constexpr unsigned kHighestDeviceId = 0xFFFFFF;
constexpr int kTagBytes = 6;
constexpr int kDescriptorBytes = 12;
constexpr int kMessageBytes = 24;
constexpr int kDateAt = 18;  // day, month, year in command 13 and 18
constexpr int kTagDescriptorDateBytes = kDateAt + 3;

// Whole numbers the statistics are shown with, apart from the cycles.
constexpr int kCycleDigits = kFullPrecisionDigits;
constexpr int kMeanDeviationDigits = 5;

int pollAddressField(const FormState& form, const char* name, int fallback) {
  bool ok = false;
  const int value = form.text(name).trimmed().toInt(&ok);
  return std::clamp(ok ? value : fallback, 0, kHighestPollingAddress);
}

void showIdentity(FormState& form, const DeviceIdentity& identity) {
  form.setText("LabelHartUnivCmdValue", QString::number(identity.universalRevision));
  form.setText("LabelHartSpecCmdValue", QString::number(identity.specificRevision));
  form.setText("LabelSWverValue", QString::number(identity.softwareRevision));
  form.setText("LabelHWverValue", QString::number(identity.hardwareRevision));
  form.setText("Edit183", QString::number(identity.deviceId));
}

// Packed texts come padded with blanks to their full length.
QString deviceText(HartLink& reply, int offset, int byteLength) {
  QString text = QString::fromLatin1(reply.GetString(offset, byteLength));
  while (text.endsWith(' ')) text.chop(1);
  return text;
}

// The century is 19 for year bytes from 91 on, else 20: 99 is 1999, 7 is 207.
QString dateText(unsigned day, unsigned month, unsigned year) {
  return QString("%1%2-%3-%4").arg(year >= 91 ? "19" : "20").arg(year).arg(month).arg(day);
}

// Days, hours, minutes and seconds of a run time, cut to whole seconds. The
// numbers are whole, so they are shown whole: a run time of years has more
// than three digits of days.
std::optional<QString> runTimeText(double seconds) {
  constexpr double kLongestRunTime = 1e15;  // far beyond a single's seconds of any device
  if (!(seconds >= 0 && seconds < kLongestRunTime)) return std::nullopt;
  const auto s = static_cast<long long>(seconds);
  return QString("%1 Days %2 Hour %3 Min %4 Sec ")
      .arg(s / 86400)
      .arg(s % 86400 / 3600)
      .arg(s % 3600 / 60)
      .arg(s % 60);
}

QString number(const JobContext& job, double value, int digits) {
  return QString::fromStdString(formatGeneral(value, digits, decimalSeparator(job.window)));
}

// A whole number in 0..highest from a field. Anything else is not written,
// and the user is told which field held it.
std::optional<unsigned> wholeNumberToWrite(const JobContext& job, const char* field, const char* what,
                                           unsigned highest) {
  const QString text = job.form.text(field);
  const QString trimmed = text.trimmed();
  bool ok = !trimmed.isEmpty() && std::all_of(trimmed.begin(), trimmed.end(), [](QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
  });
  const qulonglong value = ok ? trimmed.toULongLong(&ok) : 0;
  if (ok && value <= highest) return static_cast<unsigned>(value);
  job.operations.reportError(QString("The %1 was not written: \"%2\" is not a whole number from 0 to %3.")
                                 .arg(what, text)
                                 .arg(highest));
  return std::nullopt;
}

}  // namespace

PollRange searchPollRange(const FormState& form) {
  return {pollAddressField(form, "SearchPollStart", 0),
          pollAddressField(form, "SearchPollStop", kHighestPollingAddress)};
}

void showDeviceFound(const JobContext& job, const DeviceIdentity& identity) {
  job.form.setText("EditPollAddress", QString::number(identity.pollingAddress));
  if (identity.identified) showIdentity(job.form, identity);
}

void LimitTextLength(FormState& form, const QString& name, int length) {
  const QString text = form.text(name);
  if (text.size() > length) form.setText(name, text.left(length));
}

void readDeviceData(const JobContext& job, Sender sender) {
  PageOperation page(job, sender);
  FormState& form = job.form;

  page.progress("Reading device data...");
  page.read(kReadIdentifier, 0, ReplyBytes{kIdentifierBytes},
            [&](HartLink& reply) { showIdentity(form, decodeIdentity(reply, 0)); });
  page.read(kReadTagDescriptorDate, 0, ReplyBytes{kTagDescriptorDateBytes}, [&](HartLink& reply) {
    form.setText("EditTag", deviceText(reply, 0, kTagBytes));
    form.setText("EditDescriptor", deviceText(reply, kTagBytes, kDescriptorBytes));
    form.setText("LabelDateValue", dateText(reply.GetInteger(kDateAt, 1), reply.GetInteger(kDateAt + 1, 1),
                                            reply.GetInteger(kDateAt + 2, 1)));
  });
  page.read(kReadMessage, 0, ReplyBytes{kMessageBytes}, [&](HartLink& reply) {
    form.setText("LabelHartMessageValue", deviceText(reply, 0, kMessageBytes));
  });
  page.read(kReadAssemblyNumber, 0, ReplyBytes{3}, [&](HartLink& reply) {
    form.setText("LabelAssemblyNumberValue", QString::number(reply.GetInteger(0, 3)));
  });

  page.progress("Reading statistics...");
  page.read(kReadOperationalStatistics, 0, ReplyBytes{12}, [&](HartLink& reply) {
    form.setText("LabelAccumulatedTravelValue", number(job, reply.GetFloat(0), kReadValueDigits));
    form.setText("LabelNumberOfCyclesValue", number(job, reply.GetFloat(4), kCycleDigits));
    form.setText("LabelMeanDeviationValue", number(job, reply.GetFloat(8), kMeanDeviationDigits) + " %");
  });
  page.read(kReadMaintenanceStatistics, 0, ReplyBytes{16}, [&](HartLink& reply) {
    if (const auto runTime = runTimeText(reply.GetFloat(0))) form.setText("LabelRunTimeValue", *runTime);
    const QString unit = " " + form.text("ComboBoxTemp");
    form.setText("LabelStatMinTempValue", number(job, reply.GetFloat(8), kReadValueDigits) + unit);
    form.setText("LabelStatMaxTempValue", number(job, reply.GetFloat(12), kReadValueDigits) + unit);
  });
}

void resetStatistics(const JobContext& job, Sender sender) {
  PageOperation page(job, sender);
  if (!page.send(kResetStatistics, 0, PageOperation::Fill{})) return;
  job.form.setText("LabelRunTimeValue", "0 s");
  job.form.setText("LabelNumberOfCyclesValue", "Number of cycles : 0");
  job.form.setText("LabelAccumulatedTravelValue", "Accumulation travel : 0 %");
  job.form.setText("LabelMeanDeviationValue", "Mean deviation : 0 %");
}

void writePollAddress(const JobContext& job, Sender sender) {
  const auto address = wholeNumberToWrite(job, "EditPollAddress", "polling address",
                                          static_cast<unsigned>(kHighestPollingAddress));
  if (!address) return;
  PageOperation page(job, sender);
  const bool written =
      page.send(kWritePollingAddress, 1, [&](HartLink& request) { request.SetInteger(0, 1, *address); });
  if (written) {
    // Requests go to the long address; the library's record keeps up anyway.
    auto tx = job.transaction();
    tx->SetPollingAddress(job.window.InstrumentHandle.load(), static_cast<int>(*address));
  }
}

void writeTagDescriptor(const JobContext& job, Sender sender) {
  PageOperation page(job, sender);
  // Command 18 writes the date as well: keep the device's own.
  std::optional<std::array<unsigned, 3>> date;
  page.read(kReadTagDescriptorDate, 0, ReplyBytes{kTagDescriptorDateBytes}, [&](HartLink& reply) {
    date = {reply.GetInteger(kDateAt, 1), reply.GetInteger(kDateAt + 1, 1), reply.GetInteger(kDateAt + 2, 1)};
  });
  if (!date) {
    job.form.appendLine(kCommunicationLog,
                        "Tag and descriptor not written: the device's date could not be read first.");
    return;
  }
  const QByteArray tag = job.form.text("EditTag").left(kTagLength).toLatin1();
  const QByteArray descriptor = job.form.text("EditDescriptor").left(kDescriptorLength).toLatin1();
  page.send(kWriteTagDescriptorDate, kTagDescriptorDateBytes, [&](HartLink& request) {
    request.SetString(0, kTagBytes, tag.toStdString());
    request.SetString(kTagBytes, kDescriptorBytes, descriptor.toStdString());
    for (int i = 0; i < 3; ++i) request.SetInteger(kDateAt + i, 1, (*date)[static_cast<std::size_t>(i)]);
  });
}

void writeDeviceId(const JobContext& job, Sender sender, ThreadCommands& commands) {
  const auto id = wholeNumberToWrite(job, "Edit183", "device ID", kHighestDeviceId);
  if (!id) return;
  {
    PageOperation page(job, sender);
    page.send(kWriteDeviceId, 3, [&](HartLink& request) { request.SetInteger(0, 3, *id); });
  }
  // As "Connect" pressed twice: off, then on. The newer request replaces the
  // older in the slot, so the connection is made afresh at once. A
  // "Disconnect" pressed while the ID was written is not undone.
  WindowState& window = job.window;
  if (!window.Connected.load()) return;
  window.Connected.store(false);
  window.WriteProtected.store(true);
  commands.postRequest(kRequestConnection);
  window.Connected.store(true);
  window.WriteProtected.store(true);
  commands.postRequest(kRequestConnection);
}

namespace {

const PageDefaults& readPageDefaults() {
  constexpr auto kStartOnly = DefaultUse::StartOnly;
  // The identity the device is asked for starts empty; "&Default" puts the
  // factory texts in.
  constexpr auto kFileDefaultOnly = DefaultUse::FileDefaultOnly;
  static const PageDefaults defaults = {
      {.name = "SearchPollStart", .text = "0", .use = kStartOnly},
      {.name = "SearchPollStop", .text = "15", .use = kStartOnly},
      {"LabelNumberOfCyclesValue", "-"},
      {"LabelAccumulatedTravelValue", "-"},
      {"LabelMeanDeviationValue", "-"},
      {"LabelRunTimeValue", "-"},
      {.name = "Edit183", .text = "-", .use = kFileDefaultOnly},
      {"LabelHWverValue", "-"},
      {"LabelSWverValue", "-"},
      {"LabelAssemblyNumberValue", "-"},
      {"LabelDateValue", "-"},
      {"LabelHartMessageValue", "-"},
      {.name = "EditTag", .text = "B0,KB0,K", .use = kFileDefaultOnly},
      {.name = "EditDescriptor", .text = "QTUEQTUEQTUETEAP", .use = kFileDefaultOnly},
      {"EditPollAddress", "0"},
      {"LabelHartUnivCmdValue", "-"},
      {"LabelHartSpecCmdValue", "-"},
      {.name = "LabelCapabilityValue", .text = "-", .use = kStartOnly},
      {.name = "LabelStatMaxTempValue", .text = "-", .use = kStartOnly},
      {.name = "LabelStatMinTempValue", .text = "-", .use = kStartOnly},
  };
  return defaults;
}

}  // namespace

const PageModule& readModule() {
  static const PageModule module{
      .name = "TabSheetRead",
      .caption = "READ",
      .defaultValues = &readPageDefaults,
      .read = &readDeviceData,
      .controlRules = {{when::connected, {"ButtonReadRead"}},
                       {when::connectedAndWritable,
                        // A device ID written while disconnected would start a
                        // connection nobody asked for.
                        {"ButtonResetStatistics", "ButtonWriteTagDescDate", "ButtonWritePollAddress",
                         "Button59"}}},
      .configurationPlace = 1,
      .configurationEntries =
          {
              {"NUMBER OF CYCLES", ConfigValueForm::Text, "LabelNumberOfCyclesValue", 0, true},
              {"ACCUMULATION TRAVEL", ConfigValueForm::Text, "LabelAccumulatedTravelValue", 0, true},
              {"MEAN DEVIATION", ConfigValueForm::Text, "LabelMeanDeviationValue", 0, true},
              {"RUN TIME", ConfigValueForm::Text, "LabelRunTimeValue", 0, true},
              {"DEVICE ID", ConfigValueForm::Text, "Edit183", 0, true},
              {"HW VERSION", ConfigValueForm::Text, "LabelHWverValue"},
              {"SW VERSION", ConfigValueForm::Text, "LabelSWverValue"},
              {"ASSEMBLY NUMBER", ConfigValueForm::Text, "LabelAssemblyNumberValue"},
              {"DATE", ConfigValueForm::Text, "LabelDateValue", 0, true},
              {"HART MESSAGE", ConfigValueForm::Text, "LabelHartMessageValue", 0, true},
              {"HART TAG", ConfigValueForm::Text, "EditTag"},
              {"HART DESCRIPTOR", ConfigValueForm::Text, "EditDescriptor"},
              {"HART POLL ADRESS", ConfigValueForm::Text, "EditPollAddress"},
              {"HART UNIVERSAL COMMAND", ConfigValueForm::Text, "LabelHartUnivCmdValue", 0, true},
              {"HART SPECIFIC COMMAND", ConfigValueForm::Text, "LabelHartSpecCmdValue", 0, true},
          },
      .readAllPlace = 7,
      .searchRange = &searchPollRange,
      .deviceFound = &showDeviceFound,
  };
  return module;
}

}  // namespace velk
