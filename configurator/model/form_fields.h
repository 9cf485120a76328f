#pragma once
// A page's fields as its operations use them: the values the fields start
// with, numbers in the locale's notation, and combo items that stand for
// device codes. Everything works on the form state, so it needs no window.

#include <QString>
#include <QStringList>
#include <optional>
#include <string_view>
#include <vector>

#include "model/coded_items.h"
#include "model/edit_validation.h"

namespace velk {

class FormState;
struct WindowState;

// The locale's decimal separator as the number rules take it: one byte, '.'
// for a separator outside ASCII.
char decimalSeparator(const WindowState& window);

// Which of a page's two sets of defaults a value belongs to. Most fields
// start with the value "&Default" puts back; a few only start with one
// (status labels, fields "&Default" leaves alone) or only get one back.
enum class DefaultUse : unsigned char { StartAndFileDefault, StartOnly, FileDefaultOnly };

// The value a control starts with, and gets back from "&Default": a text, a
// radio group's item or a check box's state.
struct ControlDefault {
  QString name = {};
  QString text = {};       // a number is written with a point, shown with the locale's separator
  QStringList items = {};  // combo and radio items in index order; empty for other controls
  std::optional<int> item = std::nullopt;      // in place of the text
  std::optional<bool> checked = std::nullopt;  // in place of the text
  DefaultUse use = DefaultUse::StartAndFileDefault;
};
using PageDefaults = std::vector<ControlDefault>;

// Puts every control of `defaults` to its start value: items first, so that
// the text selects its item.
void applyControlDefaults(FormState& form, const WindowState& window, const PageDefaults& defaults);

// "&Default": the values of `defaults` it puts back, in their order. The
// items stay as they are.
void applyFileDefaultValues(FormState& form, const WindowState& window, const PageDefaults& defaults);

// Text from the pure rules (UTF-8) for the form state.
QString fromStd(std::string_view text);

// The texts of a coded item table, to fill a combo box or radio group.
QStringList itemList(const CodedItemTable& table);

// Shows the item that stands for a code read from the device; a code the
// table has no item for leaves the control as it is.
void showCodedItem(FormState& form, const QString& name, const CodedItemTable& table, int code);

// The code to send for the control's text (the table's fallback for a text
// that is no item).
int codeOfItem(const FormState& form, const QString& name, const CodedItemTable& table);

// A value read from the device, in general format with 3 significant digits.
void showNumber(FormState& form, const WindowState& window, const QString& name, double value);

// The validation rules applied to a field in the form state: a rejected text
// is replaced there (and the widget showing it follows).
void validateFloatField(FormState& form, const QString& name, const FloatEditBounds& bounds, char separator);
void validateIntegerField(FormState& form, const QString& name, long long min, long long max,
                          long long defaultValue);
void validateComboField(FormState& form, const QString& name, int defaultIndex);

}  // namespace velk
