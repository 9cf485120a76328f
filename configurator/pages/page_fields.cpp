#include "pages/page_fields.h"

#include "comm/job_context.h"
#include "pages/field_validation.h"
#include "pages/logic/number_text.h"
#include "shell/form_state.h"
#include "shell/window_state.h"

namespace velk {

namespace {


// "0.1" becomes "0,1" where the comma separates decimals; other texts stay.
QString inLocaleNotation(const QString& text, char separator) {
  if (separator == '.' || !parseDecimal(text.toStdString(), '.')) return text;
  QString localised = text;
  return localised.replace('.', QChar::fromLatin1(separator));
}

}  // namespace

QString fromStd(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void applyControlDefaults(FormState& form, const WindowState& window, const PageDefaults& defaults) {
  const char separator = decimalSeparator(window);
  for (const ControlDefault& control : defaults) {
    if (!control.items.isEmpty()) form.setItems(control.name, control.items);
    form.setText(control.name, inLocaleNotation(control.text, separator));
  }
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
  form.setText(name, QString::fromStdString(
                         formatGeneral(value, kReadValueDigits, decimalSeparator(window))));
}

std::optional<float> numberToSend(const JobContext& job, const QString& name, const QString& what) {
  const QString text = job.form.text(name);
  const auto value = parseSingle(text.toStdString(), decimalSeparator(job.window));
  if (!value)
    job.operations.reportError(
        QString("The %1 was not sent: \"%2\" is not a number.").arg(what, text));
  return value;
}

}  // namespace velk
