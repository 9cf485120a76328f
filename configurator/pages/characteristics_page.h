#pragma once
// The CHARACTERISTICS tab page: the characteristic and point-count combo
// boxes, the curve grid in its group, the reference picture and the plot of
// the selected curve, and the Read and Send buttons. Its handlers run the
// page's operations on the form state (characteristics_operations.h); its
// buttons post the page read and send as jobs, and while one waits or runs
// the handlers leave the curve alone.

#include <QWidget>

#include "pages/characteristics_operations.h"

class QComboBox;
class QGroupBox;
class QTableWidget;

namespace velk {

class Configurator;
class FormBinder;
class PageBusyLock;
struct PageContext;

class CharacteristicsPage : public QWidget {
  Q_OBJECT

 public:
  explicit CharacteristicsPage(const PageContext& context, QWidget* parent = nullptr);

  // What answers the question asked before the custom curve loses points: a
  // warning box with Yes and No unless replaced.
  void setReducePointsConfirmation(ConfirmReducePoints confirm) { confirm_ = std::move(confirm); }

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* buildSelection();
  QWidget* buildCurveGroup();
  QWidget* buildButtons(const PageContext& context);
  void connectHandlers();
  void followStore(const QString& name);
  void fitGridToRows();
  bool inGrid(const QWidget* widget) const;

  Configurator& core_;
  FormBinder& binder_;
  PageBusyLock* busy_ = nullptr;
  ConfirmReducePoints confirm_;
  QComboBox* ComboBoxCharacter_ = nullptr;
  QComboBox* ComboBoxNumberOfPoints_ = nullptr;
  QGroupBox* GroupBoxCurve_ = nullptr;
  QTableWidget* StringGridCurve_ = nullptr;
};

QWidget* createCharacteristicsPage(PageContext& context);

}  // namespace velk
