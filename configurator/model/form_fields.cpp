#include "model/form_fields.h"

#include "model/edit_validation.h"
#include "model/form_state.h"
#include "model/number_text.h"
#include "model/window_state.h"

namespace velk {

namespace {

// "0.1" becomes "0,1" where the comma separates decimals; other texts stay.
QString inLocaleNotation(const QString& text, char separator) {
  if (separator == '.' || !parseDecimal(text.toStdString(), '.')) return text;
  QString localised = text;
  return localised.replace('.', QChar::fromLatin1(separator));
}

std::vector<std::string> toStdList(const QStringList& items) {
  std::vector<std::string> list;
  list.reserve(static_cast<std::size_t>(items.size()));
  for (const QString& item : items) list.push_back(item.toStdString());
  return list;
}

void replaceIfChanged(FormState& form, const QString& name, const std::string& result) {
  const QString text = QString::fromStdString(result);
  if (form.text(name) != text) form.setText(name, text);
}

}  // namespace

char decimalSeparator(const WindowState& window) {
  const QString separator = window.DecimalSeparator();
  // The rules work on single bytes; a separator outside ASCII falls back to '.'.
  if (separator.size() == 1 && separator.at(0).unicode() < 0x80) return separator.at(0).toLatin1();
  return '.';
}

QString fromStd(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

namespace {

void applyDefault(FormState& form, char separator, const ControlDefault& control, bool withItems) {
  if (withItems && !control.items.isEmpty()) form.setItems(control.name, control.items);
  if (control.checked)
    form.setChecked(control.name, *control.checked);
  else if (control.item)
    form.setSelectedIndex(control.name, *control.item);
  else
    form.setText(control.name, inLocaleNotation(control.text, separator));
}

}  // namespace

void applyControlDefaults(FormState& form, const WindowState& window, const PageDefaults& defaults) {
  const char separator = decimalSeparator(window);
  for (const ControlDefault& control : defaults)
    if (control.use != DefaultUse::FileDefaultOnly) applyDefault(form, separator, control, true);
}

void applyFileDefaultValues(FormState& form, const WindowState& window, const PageDefaults& defaults) {
  const char separator = decimalSeparator(window);
  for (const ControlDefault& control : defaults)
    if (control.use != DefaultUse::StartOnly) applyDefault(form, separator, control, false);
}

QStringList itemList(const CodedItemTable& table) {
  QStringList items;
  for (const CodedItem& item : table.items) items.append(fromStd(item.text));
  return items;
}

void showCodedItem(FormState& form, const QString& name, const CodedItemTable& table, int code) {
  if (const auto text = textForCode(table, code)) form.setText(name, fromStd(*text));
}

int codeOfItem(const FormState& form, const QString& name, const CodedItemTable& table) {
  return codeForText(table, form.text(name).toStdString());
}

void showNumber(FormState& form, const WindowState& window, const QString& name, double value) {
  form.setText(name,
               QString::fromStdString(formatGeneral(value, kReadValueDigits, decimalSeparator(window))));
}

void validateFloatField(FormState& form, const QString& name, const FloatEditBounds& bounds, char separator) {
  replaceIfChanged(form, name, ValidateFloatEdit(form.text(name).toStdString(), bounds, separator));
}

void validateComboField(FormState& form, const QString& name, int defaultIndex) {
  replaceIfChanged(
      form, name,
      ValidateComboText(form.text(name).toStdString(), toStdList(form.items(name)), defaultIndex));
}

void validateIntegerField(FormState& form, const QString& name, long long min, long long max,
                          long long defaultValue) {
  replaceIfChanged(form, name, ValidateIntegerEdit(form.text(name).toStdString(), min, max, defaultValue));
}

}  // namespace velk
