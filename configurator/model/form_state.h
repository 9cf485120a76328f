#pragma once
// The values of the window's controls, keyed by control name ("EditStroke",
// "ComboBoxCharacter", ...). Page operations, jobs, the configuration file and
// the defaults read and write this store, never widgets; widgets are views of
// it (FormBinder). Safe to use from any thread; change notification arrives on
// the store's own (GUI) thread.

#include <QColor>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <mutex>
#include "model/thread_mailbox.h"

namespace velk {

// Which parts of a control's value have been written to the store. Parts never
// written are taken from the widget when it is bound.
enum Field : unsigned {
  kText = 1u << 0,
  kSelectedIndex = 1u << 1,
  kItems = 1u << 2,
  kChecked = 1u << 3,
  kEnabled = 1u << 4,
  kVisible = 1u << 5,
  kLines = 1u << 6,
  kRows = 1u << 7,
  kTextColor = 1u << 8,
};
using Fields = unsigned;

struct ControlValue {
  QString text;            // edit text, caption, or the selected item's text
  int selectedIndex = -1;  // combo box, radio group, list: -1 when none
  QStringList items;       // combo box, radio group and list items
  bool checked = false;
  bool enabled = true;
  bool visible = true;
  QStringList lines;        // memo contents
  quint64 linesEpoch = 0;   // changes when lines are replaced, not appended
  QList<QStringList> rows;  // grid cells, row by row
  QColor textColor;         // invalid: the widget's own colour
  Fields known = 0;

  bool operator==(const ControlValue&) const = default;
};

class FormState : public QObject {
  Q_OBJECT

 public:
  explicit FormState(QObject* parent = nullptr);

  bool contains(const QString& name) const;
  ControlValue value(const QString& name) const;
  QString text(const QString& name) const;
  int selectedIndex(const QString& name) const;
  QStringList items(const QString& name) const;
  bool checked(const QString& name) const;
  bool enabled(const QString& name) const;
  QStringList lines(const QString& name) const;
  QList<QStringList> rows(const QString& name) const;

  void setText(const QString& name, const QString& text);
  void setSelectedIndex(const QString& name, int index);
  void setItems(const QString& name, const QStringList& items);
  void setChecked(const QString& name, bool checked);
  void setEnabled(const QString& name, bool enabled);
  void setVisible(const QString& name, bool visible);
  void setTextColor(const QString& name, const QColor& color);
  void setLines(const QString& name, const QStringList& lines);
  void appendLine(const QString& name, const QString& line);
  void setRows(const QString& name, const QList<QStringList>& rows);
  void setCell(const QString& name, int row, int column, const QString& text);

  // Changes several parts of one control at once; `fields` are the parts the
  // change writes. Listeners hear of it only when something changed. The
  // change runs under the store's lock: it must not use the store itself.
  void update(const QString& name, Fields fields, const std::function<void(ControlValue&)>& change);

 Q_SIGNALS:
  // Emitted on the store's thread, once per changed control, however many
  // writes happened in between: listeners read the current value.
  void changed(const QString& name);

 private:
  void deliverChanges();

  mutable std::mutex mutex_;
  ThreadMailbox& mailbox_;  // of the thread it lives in
  QHash<QString, ControlValue> values_;
  QStringList pendingOrder_;
  QSet<QString> pending_;
};

}  // namespace velk
