#include "ui/field_validation.h"

#include <QComboBox>
#include <QLineEdit>

#include "model/form_state.h"
#include "model/window_state.h"

namespace velk {

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
    validateIntegerField(form, edit->objectName(), min, max, defaultValue);
  });
}

void validateComboOnChange(QComboBox* combo, FormState& form, int defaultIndex) {
  QObject::connect(combo, &QComboBox::currentTextChanged, combo, [combo, &form, defaultIndex] {
    validateComboField(form, combo->objectName(), defaultIndex);
  });
}

}  // namespace velk
