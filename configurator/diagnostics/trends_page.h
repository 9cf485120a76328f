#pragma once
// The TRENDS page's widgets: the variable selector, "Upload", and the four
// bar charts with their value and index axes (diagnostics/trends_operations.h).

#include <QWidget>

namespace velk {

class Configurator;
struct PageContext;

class TrendsPage : public QWidget {
 public:
  explicit TrendsPage(PageContext& context, QWidget* parent = nullptr);

  // The variable whose data the charts show: the one selected at the last
  // refresh, -1 (all zero) until a variable has been selected.
  int shownVariable() const { return shownVariable_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // After a page show, a new selection and an upload: the selected
  // variable's last upload is shown; with none selected nothing changes.
  void refresh();

  Configurator& core_;
  QWidget* charts_ = nullptr;
  int shownVariable_ = -1;
};

QWidget* createTrendsPage(PageContext& context);

}  // namespace velk
