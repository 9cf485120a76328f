#pragma once
// The DIAG 2 page's widgets: the burst mode and dynamic-variable assignment
// with "Configure", the live graph's scale buttons, the diagnostic graph
// with its axes, its type selector and "Upload", and the online-signature
// controls laid out without behaviour (diagnostics/diag2_operations.h).

#include <QPointer>
#include <QWidget>

#include "diagnostics/diag2_baselines.h"

class QLabel;

namespace velk {

class Configurator;
class ProgramHistory;
struct PageContext;

// The diagnostic graph (PaintBox4): the live ring for "Normal graph", else
// the uploaded data set of the type selected over the device's baseline of
// it (or a record loaded in its place), with their figures beside the graph.
class Diag2GraphBox : public QWidget {
  Q_OBJECT

 public:
  Diag2GraphBox(Configurator& core, QWidget* parent = nullptr);

  // Where the baselines are looked up (the window's history).
  void setHistory(ProgramHistory* history) { baselines_.setHistory(history); }
  // The label the figures are shown in.
  void setFiguresLabel(QLabel* label);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void showFigures(const QString& text);

  Configurator& core_;
  Diag2Baselines baselines_;
  QPointer<QLabel> figures_;
};

QWidget* createDiag2Page(PageContext& context);

}  // namespace velk
