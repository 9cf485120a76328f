#pragma once
// A titled group of radio buttons built from a list of items, selected by
// index: what the pages call a radio group.

#include <QButtonGroup>
#include <QGroupBox>
#include <QStringList>

namespace velk {

class RadioGroup : public QGroupBox {
  Q_OBJECT

 public:
  explicit RadioGroup(const QString& title, QWidget* parent = nullptr);

  QStringList items() const { return items_; }
  void setItems(const QStringList& items);
  int selectedIndex() const;
  void setSelectedIndex(int index);  // -1 clears the selection

 Q_SIGNALS:
  // The user picked an item (not emitted for setSelectedIndex).
  void itemClicked(int index);

 private:
  QStringList items_;
  QButtonGroup buttons_;
};

}  // namespace velk
