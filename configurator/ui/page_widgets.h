#pragma once
// Building blocks of the configuration pages' widgets. A control gets its
// control name as object name, so the binder ties it to its form-state entry;
// its items and start text come from the page's defaults in the form state.

#include <QString>
#include <QWidget>
#include <functional>
#include <initializer_list>

#include "comm/page_module.h"
#include "comm/page_operation.h"
#include "comm/step_job.h"

class QComboBox;
class QFormLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace velk {

struct PageContext;

QLineEdit* createLineEdit(const char* name, int width);
QLineEdit* createNumberEdit(const char* name);
QComboBox* createComboBox(const char* name);
QPushButton* createPageButton(const char* name, const char* caption);
// A unit after a field; a named one is bound like any control.
QLabel* createUnitLabel(const QString& text, const char* name = "");

// The page's control of that name; it must be there.
template <typename Widget>
Widget* child(QWidget* page, const char* name) {
  auto* widget = page->findChild<Widget*>(name);
  Q_ASSERT(widget);
  return widget;
}

// A layout that fills `owner` to its edges (a row or column inside a form
// or group keeps to the surrounding margins).
template <typename Layout>
Layout* bareLayout(QWidget* owner) {
  auto* layout = new Layout(owner);
  layout->setContentsMargins(0, 0, 0, 0);
  return layout;
}

// Widgets side by side from the left, as one field of a form.
QWidget* fieldRow(std::initializer_list<QWidget*> widgets);

// A control followed by its unit, as one field of a form.
QWidget* withUnit(QWidget* control, QLabel* unit);
QWidget* withUnit(QWidget* control, const QString& unit);

// The layout of captioned rows that a page's group boxes hold.
QFormLayout* createForm(QWidget* owner);

// The module's Read and Send buttons, side by side on the left; a click
// posts the module's read or send.
QHBoxLayout* createReadSendRow(const PageContext& context, const PageModule& module);

// Posts work of the page to the command thread, once or a step per turn:
// the page is busy from now until it has run or is dropped. Posted again
// while the same (its key) still waits, it is dropped. Every job a page
// posts goes through here.
void postPageJob(const PageContext& context, const QString& key, Job job);
void postPageJob(const PageContext& context, const QString& key, StepJob job);

// A click posts `operation` as a job of the page, started by a click.
void postOnClick(QPushButton* button, const PageContext& context, const QString& key, PageJob operation);
// A click posts the long job `make` gives at that moment (an upload, a
// transfer, the self test).
void postOnClick(QPushButton* button, const PageContext& context, const QString& key,
                 std::function<StepJob()> make);

// `widget` repaints whenever the page's operations are over (an upload has
// brought new data).
void repaintWhenIdle(QWidget* widget, const PageContext& context);

}  // namespace velk
