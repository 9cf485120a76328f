#pragma once
// Wires the shared validation rules to a page's fields: a numeric field is
// checked when the user leaves it, a combo box on every change of its text. A
// rejected text is replaced in the form state (which the field then shows),
// so typed input never reaches the device unchecked.

#include <QString>
#include <functional>

#include "pages/logic/edit_validation.h"

class QComboBox;
class QLineEdit;

namespace velk {

class FormState;
struct WindowState;

// The locale's decimal separator as the validation rules take it.
char decimalSeparator(const WindowState& window);

// ValidateFloatEdit on leaving `edit`. The bounds are asked for at that
// moment, for fields whose bounds change (the stroke's follow its unit).
void validateFloatOnExit(QLineEdit* edit, FormState& form, const WindowState& window,
                         std::function<FloatEditBounds()> bounds);
void validateFloatOnExit(QLineEdit* edit, FormState& form, const WindowState& window,
                         FloatEditBounds bounds);

// ValidateIntegerEdit on leaving `edit`.
void validateIntegerOnExit(QLineEdit* edit, FormState& form, long long min, long long max,
                           long long defaultValue);

// ValidateComboText on every change of the combo box's text.
void validateComboOnChange(QComboBox* combo, FormState& form, int defaultIndex);

// The same rules applied to the form state alone, for page operations and
// files that set a field's text without a widget.
void validateFloatField(FormState& form, const QString& name, const FloatEditBounds& bounds,
                        char separator);
void validateComboField(FormState& form, const QString& name, int defaultIndex);

}  // namespace velk
