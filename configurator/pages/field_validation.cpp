#include "pages/field_validation.h"

#include <QComboBox>
#include <QLineEdit>

#include "shell/form_state.h"
#include "shell/window_state.h"

namespace velk {

namespace {

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

void validateFloatField(FormState& form, const QString& name, const FloatEditBounds& bounds,
                        char separator) {
  replaceIfChanged(form, name, ValidateFloatEdit(form.text(name).toStdString(), bounds, separator));
}

void validateComboField(FormState& form, const QString& name, int defaultIndex) {
  replaceIfChanged(form, name,
                   ValidateComboText(form.text(name).toStdString(), toStdList(form.items(name)),
                                     defaultIndex));
}

void validateFloatOnExit(QLineEdit* edit, FormState& form, const WindowState& window,
                         std::function<FloatEditBounds()> bounds) {
  QObject::connect(edit, &QLineEdit::editingFinished, edit,
                   [edit, &form, &window, bounds = std::move(bounds)] {
                     validateFloatField(form, edit->objectName(), bounds(), decimalSeparator(window));
                   });
}

void validateFloatOnExit(QLineEdit* edit, FormState& form, const WindowState& window,
                         FloatEditBounds bounds) {
  validateFloatOnExit(edit, form, window, [bounds] { return bounds; });
}

void validateIntegerOnExit(QLineEdit* edit, FormState& form, long long min, long long max,
                           long long defaultValue) {
  QObject::connect(edit, &QLineEdit::editingFinished, edit, [edit, &form, min, max, defaultValue] {
    const QString name = edit->objectName();
    replaceIfChanged(form, name,
                     ValidateIntegerEdit(form.text(name).toStdString(), min, max, defaultValue));
  });
}

void validateComboOnChange(QComboBox* combo, FormState& form, int defaultIndex) {
  QObject::connect(combo, &QComboBox::currentTextChanged, combo, [combo, &form, defaultIndex] {
    validateComboField(form, combo->objectName(), defaultIndex);
  });
}

}  // namespace velk
