#include "files/db_search_dialog.h"
#include "ui/page_widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

namespace velk {

namespace {

// A day that may be left open: the check box says whether it counts.
struct OptionalDay {
  QCheckBox* used;
  QDateEdit* day;
  QWidget* row;
};

OptionalDay optionalDay(const QDate& current, QWidget* parent) {
  auto* row = new QWidget(parent);
  auto* layout = bareLayout<QHBoxLayout>(row);
  auto* used = new QCheckBox(row);
  auto* day = new QDateEdit(current.isValid() ? current : QDate::currentDate(), row);
  day->setCalendarPopup(true);
  day->setDisplayFormat("yyyy-MM-dd");
  used->setChecked(current.isValid());
  day->setEnabled(current.isValid());
  QObject::connect(used, &QCheckBox::toggled, day, &QWidget::setEnabled);
  layout->addWidget(used);
  layout->addWidget(day, 1);
  return {used, day, row};
}

}  // namespace

std::optional<HistorySearch> askHistorySearch(QWidget* parent, const HistorySearch& current) {
  QDialog dialog(parent);
  dialog.setWindowTitle("Search the device history");
  auto* form = new QFormLayout(&dialog);
  auto* tag = new QLineEdit(current.tag, &dialog);
  auto* deviceId = new QLineEdit(current.deviceId, &dialog);
  const OptionalDay from = optionalDay(current.from, &dialog);
  const OptionalDay to = optionalDay(current.to, &dialog);
  auto* kind = new QComboBox(&dialog);
  kind->addItem("Any kind");
  for (HistoryKind k : kAllHistoryKinds) {
    kind->addItem(historyKindName(k), int(k));
    if (current.kind == k) kind->setCurrentIndex(kind->count() - 1);
  }
  form->addRow("Tag :", tag);
  form->addRow("Device ID :", deviceId);
  form->addRow("From :", from.row);
  form->addRow("To :", to.row);
  form->addRow("Kind :", kind);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  auto* clear = buttons->addButton("Show all", QDialogButtonBox::ResetRole);
  form->addRow(buttons);
  bool cleared = false;
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  QObject::connect(clear, &QPushButton::clicked, &dialog, [&] {
    cleared = true;
    dialog.accept();
  });
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  if (cleared) return HistorySearch{};
  HistorySearch search;
  search.tag = tag->text().trimmed();
  search.deviceId = deviceId->text().trimmed();
  if (from.used->isChecked()) search.from = from.day->date();
  if (to.used->isChecked()) search.to = to.day->date();
  if (kind->currentIndex() > 0) search.kind = HistoryKind(kind->currentData().toInt());
  return search;
}

}  // namespace velk
