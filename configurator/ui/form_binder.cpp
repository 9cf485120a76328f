#include "ui/form_binder.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTableWidget>

#include "model/form_state.h"
#include "ui/radio_group.h"

namespace velk {

namespace {

// Where a memo stands in the store's lines, so appended lines are appended
// rather than the whole log set again.
constexpr const char* kLinesShown = "velkLinesShown";
constexpr const char* kLinesEpoch = "velkLinesEpoch";

constexpr const char* kOwnTextColor = "velkOwnTextColor";

// An invalid colour gives the widget its own colour back, so that a label
// shown red once shows its next text in the normal colour.
void applyTextColor(QWidget* widget, QPalette::ColorRole role, const ControlValue& v) {
  if (!(v.known & kTextColor)) return;
  QPalette palette = widget->palette();
  if (!widget->property(kOwnTextColor).isValid()) {
    if (!v.textColor.isValid()) return;
    widget->setProperty(kOwnTextColor, palette.color(role));
  }
  const QColor color = v.textColor.isValid() ? v.textColor : widget->property(kOwnTextColor).value<QColor>();
  if (palette.color(role) == color) return;
  palette.setColor(role, color);
  widget->setPalette(palette);
}

void applyLines(QPlainTextEdit* memo, const ControlValue& v) {
  const int shown = memo->property(kLinesShown).toInt();
  const bool sameEpoch = memo->property(kLinesEpoch).toULongLong() == v.linesEpoch;
  if (sameEpoch && shown <= v.lines.size()) {
    for (int i = shown; i < v.lines.size(); ++i) memo->appendPlainText(v.lines[i]);
  } else {
    memo->setPlainText(v.lines.join('\n'));
  }
  memo->setProperty(kLinesShown, static_cast<int>(v.lines.size()));
  memo->setProperty(kLinesEpoch, QVariant::fromValue(v.linesEpoch));
}

void applyRows(QTableWidget* table, const ControlValue& v) {
  int columns = table->columnCount();
  for (const QStringList& row : v.rows) columns = std::max(columns, static_cast<int>(row.size()));
  table->setColumnCount(columns);
  table->setRowCount(static_cast<int>(v.rows.size()));
  for (int r = 0; r < v.rows.size(); ++r) {
    for (int c = 0; c < columns; ++c) {
      const QString text = c < v.rows[r].size() ? v.rows[r][c] : QString();
      QTableWidgetItem* item = table->item(r, c);
      if (!item)
        table->setItem(r, c, new QTableWidgetItem(text));
      else if (item->text() != text)
        item->setText(text);
    }
  }
}

void applyItemsAndSelection(QComboBox* combo, const ControlValue& v) {
  if ((v.known & kItems)) {
    QStringList current;
    for (int i = 0; i < combo->count(); ++i) current.append(combo->itemText(i));
    if (current != v.items) {
      combo->clear();
      combo->addItems(v.items);
    }
  }
  if (!(v.known & (kText | kSelectedIndex))) return;
  if (v.selectedIndex >= 0 && v.selectedIndex < combo->count()) {
    combo->setCurrentIndex(v.selectedIndex);
  } else {
    combo->setCurrentIndex(-1);
    if (combo->isEditable() && combo->currentText() != v.text) combo->setEditText(v.text);
  }
}

void applyItemsAndSelection(QListWidget* list, const ControlValue& v) {
  if (v.known & kItems) {
    QStringList current;
    for (int i = 0; i < list->count(); ++i) current.append(list->item(i)->text());
    if (current != v.items) {
      list->clear();
      list->addItems(v.items);
    }
  }
  if (v.known & kSelectedIndex) list->setCurrentRow(v.selectedIndex);
}

}  // namespace

void applyControlValue(QObject* target, const ControlValue& v) {
  const QSignalBlocker blocker(target);
  if (auto* action = qobject_cast<QAction*>(target)) {
    if (v.known & kEnabled) action->setEnabled(v.enabled);
    if (v.known & kVisible) action->setVisible(v.visible);
    return;
  }
  auto* widget = qobject_cast<QWidget*>(target);
  if (!widget) return;
  if ((v.known & kEnabled) && widget->isEnabled() != v.enabled) widget->setEnabled(v.enabled);
  if ((v.known & kVisible) && widget->isHidden() == v.visible) widget->setVisible(v.visible);
  const bool hasText = v.known & kText;

  if (auto* label = qobject_cast<QLabel*>(widget)) {
    if (hasText && label->text() != v.text) label->setText(v.text);
    applyTextColor(label, QPalette::WindowText, v);
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    if (hasText && edit->text() != v.text) edit->setText(v.text);
    applyTextColor(edit, QPalette::Text, v);
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    if (hasText && button->text() != v.text) button->setText(v.text);
    if ((v.known & kChecked) && button->isCheckable()) button->setChecked(v.checked);
    applyTextColor(button, QPalette::ButtonText, v);
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    applyItemsAndSelection(combo, v);
  } else if (auto* group = qobject_cast<RadioGroup*>(widget)) {
    if (v.known & kItems) group->setItems(v.items);
    if (v.known & kSelectedIndex) group->setSelectedIndex(v.selectedIndex);
  } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
    applyItemsAndSelection(list, v);
  } else if (auto* table = qobject_cast<QTableWidget*>(widget)) {
    if (v.known & kRows) applyRows(table, v);
  } else if (auto* memo = qobject_cast<QPlainTextEdit*>(widget)) {
    if (v.known & kLines) applyLines(memo, v);
  }
}

FormBinder::FormBinder(FormState& state, QObject* parent) : QObject(parent), state_(state) {
  connect(&state_, &FormState::changed, this, &FormBinder::onChanged);
}

void FormBinder::bind(QWidget* widget, const QString& name) {
  const QString key = name.isEmpty() ? widget->objectName() : name;
  Q_ASSERT(!key.isEmpty());
  widget->setObjectName(key);
  attach(widget, key);
  connectUserEdits(widget, key);
}

void FormBinder::bind(QAction* action, const QString& name) {
  action->setObjectName(name);
  attach(action, name);
}

void FormBinder::bindNamedChildren(QWidget* root) {
  for (QObject* child : root->children()) {
    auto* widget = qobject_cast<QWidget*>(child);
    if (!widget) continue;
    const QString name = widget->objectName();
    if (!name.isEmpty() && !name.startsWith("qt_"))
      bind(widget);
    else
      bindNamedChildren(widget);
  }
}

void FormBinder::attach(QObject* target, const QString& name) {
  seedFromWidget(target, name);
  bound_[name].append(target);
  applyControlValue(target, state_.value(name));
}

void FormBinder::onChanged(const QString& name) {
  const auto found = bound_.find(name);
  if (found == bound_.end()) return;
  const ControlValue value = state_.value(name);
  QList<QPointer<QObject>>& targets = found.value();
  targets.removeIf([](const QPointer<QObject>& target) { return target.isNull(); });
  for (const QPointer<QObject>& target : targets) applyControlValue(target, value);
}

// What the store does not know yet comes from the widget as it was built.
void FormBinder::seedFromWidget(QObject* target, const QString& name) {
  const Fields known = state_.value(name).known;
  auto* widget = qobject_cast<QWidget*>(target);
  auto* action = qobject_cast<QAction*>(target);
  Fields fields = kEnabled | kVisible;
  ControlValue seed;
  if (action) {
    seed.enabled = action->isEnabled();
    seed.visible = action->isVisible();
  } else if (widget) {
    seed.enabled = widget->isEnabled();
    seed.visible = !widget->isHidden();
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      seed.text = label->text();
      fields |= kText;
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
      seed.text = edit->text();
      fields |= kText;
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      seed.text = button->text();
      seed.checked = button->isChecked();
      fields |= kText | kChecked;
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
      for (int i = 0; i < combo->count(); ++i) seed.items.append(combo->itemText(i));
      seed.selectedIndex = combo->currentIndex();
      seed.text = combo->currentText();
      fields |= kItems | kSelectedIndex | kText;
    } else if (auto* group = qobject_cast<RadioGroup*>(widget)) {
      seed.items = group->items();
      seed.selectedIndex = group->selectedIndex();
      if (seed.selectedIndex >= 0) seed.text = seed.items[seed.selectedIndex];
      fields |= kItems | kSelectedIndex | kText;
    } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
      for (int i = 0; i < list->count(); ++i) seed.items.append(list->item(i)->text());
      seed.selectedIndex = list->currentRow();
      fields |= kItems | kSelectedIndex;
    } else if (auto* table = qobject_cast<QTableWidget*>(widget)) {
      for (int r = 0; r < table->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < table->columnCount(); ++c)
          cells.append(table->item(r, c) ? table->item(r, c)->text() : QString());
        seed.rows.append(cells);
      }
      fields |= kRows;
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(widget)) {
      const QString text = memo->toPlainText();
      if (!text.isEmpty()) seed.lines = text.split('\n');
      fields |= kLines;
      // The memo shows these lines already.
      memo->setProperty(kLinesShown, static_cast<int>(seed.lines.size()));
    }
  }
  if (!(fields & ~known)) return;
  state_.update(name, fields, [&](ControlValue& v) {
    // Decided under the store's lock: a worker's write since the look above wins.
    const Fields missing = fields & ~v.known;
    if (missing & kEnabled) v.enabled = seed.enabled;
    if (missing & kVisible) v.visible = seed.visible;
    if (missing & kText) v.text = seed.text;
    if (missing & kChecked) v.checked = seed.checked;
    if (missing & kItems) v.items = seed.items;
    if (missing & kSelectedIndex) v.selectedIndex = seed.selectedIndex;
    if (missing & kRows) v.rows = seed.rows;
    if (missing & kLines) v.lines = seed.lines;
  });
}

void FormBinder::connectUserEdits(QWidget* widget, const QString& name) {
  FormState* state = &state_;
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    connect(edit, &QLineEdit::textEdited, this,
            [state, name](const QString& text) { state->setText(name, text); });
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    connect(button, &QAbstractButton::toggled, this,
            [state, name](bool checked) { state->setChecked(name, checked); });
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    connect(combo, &QComboBox::currentIndexChanged, this, [state, name, combo](int index) {
      if (index >= 0)
        state->setSelectedIndex(name, index);
      else
        state->setText(name, combo->currentText());
    });
    connect(combo, &QComboBox::editTextChanged, this,
            [state, name](const QString& text) { state->setText(name, text); });
  } else if (auto* group = qobject_cast<RadioGroup*>(widget)) {
    connect(group, &RadioGroup::itemClicked, this,
            [state, name](int index) { state->setSelectedIndex(name, index); });
  } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
    connect(list, &QListWidget::currentRowChanged, this,
            [state, name](int row) { state->setSelectedIndex(name, row); });
  } else if (auto* table = qobject_cast<QTableWidget*>(widget)) {
    connect(table, &QTableWidget::cellChanged, this, [state, name, table](int row, int column) {
      const QTableWidgetItem* item = table->item(row, column);
      state->setCell(name, row, column, item ? item->text() : QString());
    });
  } else if (auto* memo = qobject_cast<QPlainTextEdit*>(widget)) {
    connect(memo, &QPlainTextEdit::textChanged, this, [state, name, memo] {
      if (memo->isReadOnly()) return;
      QStringList lines = memo->toPlainText().split('\n');
      if (lines == QStringList{QString()}) lines.clear();
      memo->setProperty(kLinesShown, static_cast<int>(lines.size()));
      state->setLines(name, lines);
      memo->setProperty(kLinesEpoch, QVariant::fromValue(state->value(name).linesEpoch));
    });
  }
}

}  // namespace velk
