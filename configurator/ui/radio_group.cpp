#include "ui/radio_group.h"

#include <QAbstractButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace velk {

RadioGroup::RadioGroup(const QString& title, QWidget* parent) : QGroupBox(title, parent) {
  new QVBoxLayout(this);
  connect(&buttons_, &QButtonGroup::idClicked, this, &RadioGroup::itemClicked);
}

void RadioGroup::setItems(const QStringList& items) {
  if (items == items_) return;
  for (QAbstractButton* button : buttons_.buttons()) {
    buttons_.removeButton(button);
    delete button;
  }
  items_ = items;
  for (int i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i], this);
    buttons_.addButton(button, i);
    layout()->addWidget(button);
  }
}

int RadioGroup::selectedIndex() const { return buttons_.checkedId(); }

void RadioGroup::setSelectedIndex(int index) {
  if (QAbstractButton* button = buttons_.button(index)) {
    button->setChecked(true);
    return;
  }
  // An exclusive group keeps one button checked; lift that to clear it.
  if (QAbstractButton* checked = buttons_.checkedButton()) {
    buttons_.setExclusive(false);
    checked->setChecked(false);
    buttons_.setExclusive(true);
  }
}

}  // namespace velk
