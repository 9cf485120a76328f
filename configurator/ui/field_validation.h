#pragma once
// Wires the shared validation rules to a page's fields: a numeric field is
// checked when the user leaves it, a combo box on every change of its text. A
// rejected text is replaced in the form state (which the field then shows),
// so typed input never reaches the device unchecked.

#include <QString>
#include <functional>

#include "model/edit_validation.h"
#include "model/form_fields.h"

class QComboBox;
class QLineEdit;

namespace velk {

class FormState;
struct WindowState;

// ValidateFloatEdit on leaving `edit`. The bounds are asked for at that
// moment, for fields whose bounds change (the stroke's follow its unit).
void validateFloatOnExit(QLineEdit* edit, FormState& form, const WindowState& window,
                         std::function<FloatEditBounds()> bounds);
void validateFloatOnExit(QLineEdit* edit, FormState& form, const WindowState& window, FloatEditBounds bounds);

// ValidateIntegerEdit on leaving `edit`.
void validateIntegerOnExit(QLineEdit* edit, FormState& form, long long min, long long max,
                           long long defaultValue);

// ValidateComboText on every change of the combo box's text.
void validateComboOnChange(QComboBox* combo, FormState& form, int defaultIndex);

}  // namespace velk
