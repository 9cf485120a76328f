#pragma once
// The DIAG 2 page's widgets: the burst mode and dynamic-variable assignment
// with "Configure", the live graph's scale buttons, the diagnostic graph
// with its axes, its type selector and "Upload", and the online-signature
// controls laid out without behaviour (diagnostics/diag2_operations.h).

#include <QWidget>

namespace velk {

class Configurator;
struct PageContext;

// The diagnostic graph (PaintBox4): the live ring for "Normal graph", else
// the uploaded data set of the type selected.
class Diag2GraphBox : public QWidget {
 public:
  Diag2GraphBox(Configurator& core, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Configurator& core_;
};

QWidget* createDiag2Page(PageContext& context);

}  // namespace velk
