#include "service/debug_operations.h"

#include "comm/device_memory.h"
#include "model/form_state.h"
#include "model/window_operations.h"
#include "service/array_transfer.h"
#include "service/debug_tables.h"
#include "service/modules.h"

namespace velk {

namespace {

constexpr int kValuesTable = 2;
constexpr int kNamesTable = 3;
constexpr int kVariablesTable = 4;
constexpr int kAddressTable = 5;
constexpr int kNameBytes = 14;
constexpr int kEntriesPerRead = 7;

// A name as the device keeps it: up to the first zero byte; a control
// character shows as "?" so that the field stays one line.
QString nameText(const std::uint8_t* bytes) {
  QString text;
  for (int i = 0; i < kNameBytes && bytes[i] != 0; ++i)
    text += bytes[i] < 0x20 || bytes[i] == 0x7F ? QChar('?') : QChar(bytes[i]);
  return text;
}

bool writeVariable(const JobContext& job, int entry, long long value) {
  const std::uint8_t data[2] = {static_cast<std::uint8_t>(value & 0xFF),
                                static_cast<std::uint8_t>((value >> 8) & 0xFF)};
  return writeMemoryBlock(job, {kFirmwareArea, entry, 0, 0}, data, 2);
}

}  // namespace

const DebugVariableControls kDebugVariableControls[kDebugVariables] = {
    {"Edit7", "Edit11", "Edit15", "Button2"},   {"Edit8", "Edit12", "Edit16", "Button9"},
    {"Edit9", "Edit13", "Edit17", "Button10"},  {"Edit10", "Edit14", "Edit18", "Button11"},
    {"Edit19", "Edit23", "Edit27", "Button12"}, {"Edit20", "Edit24", "Edit28", "Button13"},
    {"Edit21", "Edit25", "Edit29", "Button14"}, {"Edit22", "Edit26", "Edit33", "Button15"},
};

void applyDebugDefaults(FormState& form, WindowState&) {
  for (const DebugVariableControls& variable : kDebugVariableControls) {
    form.setText(variable.name, {});
    form.setText(variable.read, {});
    form.setText(variable.write, {});
  }
  applyArrayDefaults(form);
}

std::optional<long long> integerField(const JobContext& job, const QString& name) {
  const QString text = job.form.text(name);
  bool ok = false;
  const long long value = text.trimmed().toLongLong(&ok, 10);
  if (!ok) {
    job.operations.reportError(QString("'%1' is not a valid integer value").arg(text));
    return std::nullopt;
  }
  return value;
}

void readDebugVariables(const JobContext& job, Sender) {
  std::uint8_t data[2 * kDebugVariables] = {};
  const bool read = readMemoryBlock(job, kTableArea, kValuesTable, 0, sizeof data, data);
  job.progress(read ? QString() : QString("The debug variables could not be read"));
  for (int i = 0; i < kDebugVariables; ++i)
    job.form.setText(kDebugVariableControls[i].read,
                     read ? QString::number(data[2 * i] + 256 * data[2 * i + 1]) : QString());
}

void readDebugVariableNames(const JobContext& job, Sender) {
  job.progress(QString());
  if (!copyDebugTable(job, kNamesTable)) return;
  int failed = 0;
  for (int i = 0; i < kDebugVariables; ++i) {
    std::uint8_t data[kNameBytes] = {};
    const bool read = readMemoryBlock(job, kFirmwareArea, i, 0, kNameBytes, data);
    if (!read) ++failed;
    job.form.setText(kDebugVariableControls[i].name, read ? nameText(data) : QString());
  }
  if (failed > 0) job.progress(QString("%1 of %2 names could not be read").arg(failed).arg(kDebugVariables));
}

void writeDebugVariables(const JobContext& job, Sender) {
  long long values[kDebugVariables] = {};
  for (int i = 0; i < kDebugVariables; ++i) {
    const auto value = integerField(job, kDebugVariableControls[i].write);
    if (!value) return;
    values[i] = *value;
  }
  job.progress(QString());
  if (!copyDebugTable(job, kVariablesTable)) return;
  int failed = 0;
  for (int i = 0; i < kDebugVariables; ++i)
    if (!writeVariable(job, i, values[i])) ++failed;
  if (failed > 0)
    job.progress(QString("%1 of %2 variables could not be written").arg(failed).arg(kDebugVariables));
}

void writeDebugVariable(const JobContext& job, int variable) {
  const auto value = integerField(job, kDebugVariableControls[variable].write);
  if (!value) return;
  job.progress(QString());
  // Entry `variable` of table 4 alone, read as the end of the block that holds it.
  const int offset = 4 * (variable % kEntriesPerRead);
  std::uint8_t data[4 * kEntriesPerRead] = {};
  if (!readMemoryBlock(job, kTableArea, kVariablesTable, variable / kEntriesPerRead, offset + 4, data)) {
    job.progress(QString("Entry %1 of table 4 could not be read: nothing was written").arg(variable));
    return;
  }
  if (!writeMemoryBlock(job, {kTableArea, kActiveTable, 0, 0}, data + offset, 4)) {
    job.progress("Table 1 could not be written: nothing was written");
    return;
  }
  if (!writeVariable(job, 0, *value)) job.progress(QString("Variable %1 could not be written").arg(variable));
}

void confirmDebugAddress(const JobContext& job, Sender) {
  job.progress(QString());
  copyDebugTable(job, kAddressTable);
}

const PageModule& debugModule() {
  static const PageModule module{.name = "DEBUG", .caption = "DEBUG", .defaults = &applyDebugDefaults};
  return module;
}

}  // namespace velk
