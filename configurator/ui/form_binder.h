#pragma once
// Keeps widgets and their FormState entries in step on the GUI thread: a
// user's edit goes into the store at once; a change of the store, made on any
// thread, reaches the widget through the store's queued notification.
//
// Widgets bound: QLabel, QLineEdit, QAbstractButton (caption, checked),
// QComboBox, RadioGroup, QListWidget, QTableWidget, QPlainTextEdit (lines),
// QAction (enabled, visible); any other widget for enabled and visible.
// Widget signals are blocked while the store is applied, so page handlers
// connected to a widget's signals hear only the user.

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QAction;
class QWidget;

namespace velk {

class FormState;
struct ControlValue;

class FormBinder : public QObject {
  Q_OBJECT

 public:
  explicit FormBinder(FormState& state, QObject* parent = nullptr);

  // Binds the widget to the entry `name` (its objectName when empty; the
  // widget takes the name). What the store holds for the entry is shown; what
  // it does not hold yet is taken from the widget.
  void bind(QWidget* widget, const QString& name = {});
  void bind(QAction* action, const QString& name);

  // Binds every named descendant of root (names starting "qt_" are Qt's own),
  // without descending into the widgets it binds.
  void bindNamedChildren(QWidget* root);

 private:
  void attach(QObject* target, const QString& name);
  void connectUserEdits(QWidget* widget, const QString& name);
  void seedFromWidget(QObject* target, const QString& name);
  void onChanged(const QString& name);

  FormState& state_;
  QHash<QString, QList<QPointer<QObject>>> bound_;
};

// Shows a value on a widget or action (what the binder does on a change).
void applyControlValue(QObject* target, const ControlValue& value);

}  // namespace velk
