#include "model/form_state.h"


namespace velk {

FormState::FormState(QObject* parent) : QObject(parent), mailbox_(ThreadMailbox::of(this)) {}

bool FormState::contains(const QString& name) const {
  std::lock_guard lock(mutex_);
  return values_.contains(name);
}

ControlValue FormState::value(const QString& name) const {
  std::lock_guard lock(mutex_);
  return values_.value(name);
}

QString FormState::text(const QString& name) const { return value(name).text; }
int FormState::selectedIndex(const QString& name) const { return value(name).selectedIndex; }
QStringList FormState::items(const QString& name) const { return value(name).items; }
bool FormState::checked(const QString& name) const { return value(name).checked; }
bool FormState::enabled(const QString& name) const { return value(name).enabled; }
QStringList FormState::lines(const QString& name) const { return value(name).lines; }
QList<QStringList> FormState::rows(const QString& name) const { return value(name).rows; }

void FormState::update(const QString& name, Fields fields, const std::function<void(ControlValue&)>& change) {
  bool firstPending = false;
  {
    std::lock_guard lock(mutex_);
    ControlValue& entry = values_[name];
    const ControlValue before = entry;
    change(entry);
    entry.known |= fields;
    if (entry == before || pending_.contains(name)) return;
    firstPending = pending_.isEmpty();
    pending_.insert(name);
    pendingOrder_.append(name);
  }
  // One delivery for a whole burst of writes, on the store's thread.
  if (firstPending) mailbox_.post(this, [this] { deliverChanges(); });
}

void FormState::deliverChanges() {
  QStringList names;
  {
    std::lock_guard lock(mutex_);
    names.swap(pendingOrder_);
    pending_.clear();
  }
  for (const QString& name : names) Q_EMIT changed(name);
}

// A control with items shows the selected item's text, so text and index
// move together.
void FormState::setText(const QString& name, const QString& text) {
  update(name, kText | kSelectedIndex, [&](ControlValue& v) {
    v.text = text;
    if (!v.items.isEmpty()) v.selectedIndex = static_cast<int>(v.items.indexOf(text));
  });
}

void FormState::setSelectedIndex(const QString& name, int index) {
  update(name, kText | kSelectedIndex, [&](ControlValue& v) {
    if (index >= 0 && index < v.items.size()) {
      v.selectedIndex = index;
      v.text = v.items[index];
    } else {
      v.selectedIndex = -1;
      if (!v.items.isEmpty()) v.text.clear();
    }
  });
}

void FormState::setItems(const QString& name, const QStringList& items) {
  update(name, kItems, [&](ControlValue& v) {
    v.items = items;
    if (v.known & kText)
      v.selectedIndex = static_cast<int>(items.indexOf(v.text));
    else if (v.selectedIndex >= items.size())
      v.selectedIndex = -1;
  });
}

void FormState::setChecked(const QString& name, bool checked) {
  update(name, kChecked, [&](ControlValue& v) { v.checked = checked; });
}

void FormState::setEnabled(const QString& name, bool enabled) {
  update(name, kEnabled, [&](ControlValue& v) { v.enabled = enabled; });
}

void FormState::setVisible(const QString& name, bool visible) {
  update(name, kVisible, [&](ControlValue& v) { v.visible = visible; });
}

void FormState::setTextColor(const QString& name, const QColor& color) {
  update(name, kTextColor, [&](ControlValue& v) { v.textColor = color; });
}

void FormState::setLines(const QString& name, const QStringList& lines) {
  update(name, kLines, [&](ControlValue& v) {
    if (v.lines == lines) return;
    v.lines = lines;
    ++v.linesEpoch;
  });
}

// The communication log is never cleared: an appended line must cost the
// same on the ten-thousandth line as on the first. So no copy of the value
// to compare with (it would make the append copy the whole list).
void FormState::appendLine(const QString& name, const QString& line) {
  bool firstPending = false;
  {
    std::lock_guard lock(mutex_);
    ControlValue& entry = values_[name];
    entry.lines.append(line);
    entry.known |= kLines;
    if (pending_.contains(name)) return;
    firstPending = pending_.isEmpty();
    pending_.insert(name);
    pendingOrder_.append(name);
  }
  if (firstPending) mailbox_.post(this, [this] { deliverChanges(); });
}

void FormState::setRows(const QString& name, const QList<QStringList>& rows) {
  update(name, kRows, [&](ControlValue& v) { v.rows = rows; });
}

void FormState::setCell(const QString& name, int row, int column, const QString& text) {
  if (row < 0 || column < 0) return;
  update(name, kRows, [&](ControlValue& v) {
    while (v.rows.size() <= row) v.rows.append(QStringList());
    QStringList& cells = v.rows[row];
    while (cells.size() <= column) cells.append(QString());
    cells[column] = text;
  });
}

}  // namespace velk
