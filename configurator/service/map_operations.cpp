#include "service/map_operations.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTextStream>

#include "comm/device_memory.h"
#include "model/form_fields.h"
#include "model/form_state.h"
#include "model/window_operations.h"
#include "service/debug_tables.h"
#include "service/modules.h"

namespace velk {

namespace {

struct ReadOutcome {
  std::vector<std::uint8_t> bytes;
  bool read = false;
};

// Variable `row` through entry `row` of table 1.
ReadOutcome readVariable(const JobContext& job, int row, const MapVariable& variable) {
  ReadOutcome outcome;
  outcome.bytes.resize(static_cast<std::size_t>(std::min(variable.size, kMapReadMaxBytes)));
  outcome.read = readMemoryBlock(job, kFirmwareArea, row, 0, static_cast<int>(outcome.bytes.size()),
                                 outcome.bytes.data());
  if (!outcome.read) outcome.bytes.clear();
  return outcome;
}

void showValue(const JobContext& job, int row, const MapVariable& variable, const ReadOutcome& outcome) {
  job.form.setCell(kMapSelection, row, kMapValue,
                   formatMapValue(outcome.bytes, variable.type, decimalSeparator(job.window)));
  job.form.setCell(kMapSelection, row, kMapBytes, bytesText(outcome.bytes));
}

bool pointTableAt(const JobContext& job, const std::vector<MapVariable>& variables) {
  DebugTable entries{};
  for (std::size_t i = 0; i < variables.size() && i < entries.size(); ++i) entries[i] = variables[i].address;
  if (writeActiveTable(job, entries)) return true;
  job.progress("Table 1 could not be written: no variable was read or written");
  return false;
}

std::vector<std::uint8_t> bytesOfText(const QString& text) {
  std::vector<std::uint8_t> bytes;
  for (const QString& byte : text.split(' ', Qt::SkipEmptyParts))
    bytes.push_back(static_cast<std::uint8_t>(byte.toUInt(nullptr, 16)));
  return bytes;
}

}  // namespace

void applyMapDefaults(FormState& form, WindowState&) {
  form.setRows(kMapSelection, {});
  form.setText(kMapFileLabel, QString());
}

std::vector<MapVariable> mapSelection(const FormState& form) {
  std::vector<MapVariable> variables;
  for (const QStringList& row : form.rows(kMapSelection))
    if (const auto variable = variableOfRow(row)) variables.push_back(*variable);
  return variables;
}

bool addMapVariable(FormState& form, const MapSymbol& symbol, QString& error) {
  if (static_cast<int>(mapSelection(form).size()) >= kMapSelectionMax) {
    error = QString("Table 1 has room for %1 variables: remove one first").arg(kMapSelectionMax);
    return false;
  }
  const auto variable = mapVariable(symbol, error);
  if (!variable) return false;
  QList<QStringList> rows = form.rows(kMapSelection);
  rows.append(selectionRow(*variable));
  form.setRows(kMapSelection, rows);
  return true;
}

void removeMapVariable(FormState& form, int row) {
  QList<QStringList> rows = form.rows(kMapSelection);
  if (row < 0 || row >= rows.size()) return;
  rows.removeAt(row);
  // The values were read through the old entries of table 1.
  for (QStringList& cells : rows) {
    cells[kMapValue].clear();
    cells[kMapBytes].clear();
  }
  form.setRows(kMapSelection, rows);
}

void setMapType(FormState& form, int row, const QString& type, char decimalSeparator) {
  const QList<QStringList> rows = form.rows(kMapSelection);
  if (row < 0 || row >= rows.size() || !kMapTypes.contains(type) || rows[row].size() < kMapColumns) return;
  form.setCell(kMapSelection, row, kMapType, type);
  const QString bytes = rows[row][kMapBytes];
  if (!bytes.isEmpty())
    form.setCell(kMapSelection, row, kMapValue, formatMapValue(bytesOfText(bytes), type, decimalSeparator));
}

void readMapSelection(const JobContext& job, const QString& folder) {
  const std::vector<MapVariable> variables = mapSelection(job.form);
  if (variables.empty()) {
    job.progress("Select the variables to read first");
    return;
  }
  job.progress("Reading map variables...");
  if (!pointTableAt(job, variables)) return;
  QString readout;
  int failed = 0;
  for (std::size_t i = 0; i < variables.size(); ++i) {
    const int row = static_cast<int>(i);
    const ReadOutcome outcome = readVariable(job, row, variables[i]);
    showValue(job, row, variables[i], outcome);
    if (!outcome.read) ++failed;
    readout +=
        QString("%1 %2 %3 %4\n")
            .arg(variables[i].name, addressText(variables[i].address), variables[i].type,
                 outcome.read ? formatMapValue(outcome.bytes, variables[i].type, decimalSeparator(job.window))
                              : QString("(not read)"));
  }
  const QString path = QDir(folder).filePath(kMapReadoutFileName);
  QSaveFile file(path);
  const bool saved = file.open(QIODevice::WriteOnly | QIODevice::Text) &&
                     file.write(readout.toLocal8Bit()) >= 0 && file.commit();
  job.form.setText(kMapFileLabel, saved ? path : QString());
  if (!saved)
    job.operations.reportError(QString("%1 could not be written: %2").arg(path, file.errorString()));
  QString outcome = failed == 0
                        ? QString("Read %1 variables").arg(variables.size())
                        : QString("%1 of %2 variables could not be read").arg(failed).arg(variables.size());
  job.progress(outcome + (saved ? QString(", saved in %1").arg(path) : QString(", not saved in a file")));
}

void writeMapVariable(const JobContext& job, int row, const QString& text) {
  const std::vector<MapVariable> variables = mapSelection(job.form);
  if (row < 0 || row >= static_cast<int>(variables.size())) {
    job.progress("Select the variable to write first");
    return;
  }
  const MapVariable& variable = variables[static_cast<std::size_t>(row)];
  QString error;
  const auto bytes = encodeMapValue(text, variable.type, variable.size, decimalSeparator(job.window), error);
  if (!bytes) {
    job.operations.reportError(QString("%1 was not written: %2").arg(variable.name, error));
    return;
  }
  if (!pointTableAt(job, variables)) return;
  const bool written =
      writeMemoryBlock(job, {kFirmwareArea, row, 0, 0}, bytes->data(), static_cast<int>(bytes->size()));
  const ReadOutcome outcome = readVariable(job, row, variable);
  showValue(job, row, variable, outcome);
  job.progress(written ? QString("%1 written").arg(variable.name)
                       : QString("%1 could not be written").arg(variable.name));
}

bool saveMapSelection(FormState& form, const QString& folder, QString& message) {
  const QString path = QDir(folder).filePath(kSelectionFileName);
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Text) ||
      file.write(selectionText(mapSelection(form)).toLocal8Bit()) < 0 || !file.commit()) {
    message = QString("%1 could not be written: %2").arg(path, file.errorString());
    return false;
  }
  form.setText(kMapFileLabel, path);
  message = QString("Selection saved in %1").arg(path);
  return true;
}

bool loadMapSelection(FormState& form, const QString& folder, const MapFile* map, QString& message) {
  const QString path = QDir(folder).filePath(kSelectionFileName);
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    message = QString("%1 could not be read: %2").arg(path, file.errorString());
    return false;
  }
  int skipped = 0;
  const auto variables = parseSelectionText(QString::fromLocal8Bit(file.readAll()), map, skipped);
  QList<QStringList> rows;
  for (const MapVariable& variable : variables) rows.append(selectionRow(variable));
  form.setRows(kMapSelection, rows);
  form.setText(kMapFileLabel, path);
  message = QString("%1 variables loaded from %2").arg(variables.size()).arg(path);
  if (skipped > 0) message += QString("; %1 lines were no variable or beyond the 14").arg(skipped);
  return true;
}

const PageModule& mapModule() {
  static const PageModule module{.name = "TabSheet2", .caption = "MAP", .defaults = &applyMapDefaults};
  return module;
}

}  // namespace velk
