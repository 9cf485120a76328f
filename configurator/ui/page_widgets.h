#pragma once
// Building blocks of the configuration pages' widgets. A control gets its
// control name as object name, so the binder ties it to its form-state entry;
// its items and start text come from the page's defaults in the form state.

#include <QString>
#include <QWidget>

#include "comm/device_memory.h"
#include "comm/page_operation.h"

class QComboBox;
class QFormLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace velk {

struct PageContext;

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

// A control followed by its unit, as one field of a form.
QWidget* withUnit(QWidget* control, QLabel* unit);
QWidget* withUnit(QWidget* control, const QString& unit);

// The layout of captioned rows that a page's group boxes hold.
QFormLayout* createForm(QWidget* owner);

// The page's Read and Send buttons, side by side on the left.
QHBoxLayout* createReadSendRow(QPushButton* read, QPushButton* send);

// A click posts `operation` as a job of the page for the background thread;
// a second click while it still waits is dropped.
void postOnClick(QPushButton* button, const PageContext& context, const QString& key, PageJob operation);

// A click posts the upload `makeUpload` makes as a job of the page that reads
// a block per turn, so burst monitoring and other jobs go on meanwhile; a
// second click while it still waits or runs is dropped.
void postUploadOnClick(QPushButton* button, const PageContext& context, const QString& key,
                       Upload (*makeUpload)());

// `widget` repaints whenever the page's operations are over (an upload has
// brought new data).
void repaintWhenIdle(QWidget* widget, const PageContext& context);

}  // namespace velk
