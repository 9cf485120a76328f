#pragma once
// The DEBUG page's widgets: the eight debug variables and the array group.
// Its operations are in debug_operations.h and array_transfer.h.

#include <QAbstractTableModel>
#include <memory>

class QWidget;

namespace velk {

class ArrayGrid;
struct PageContext;

// StringGrid1 as a view sees it: a row per element under the headings
// "Read" and "Write"; rows are added as the grid grows.
class ArrayGridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit ArrayGridModel(std::shared_ptr<ArrayGrid> grid, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  void follow();

  std::shared_ptr<ArrayGrid> grid_;
  int rows_ = 0;
};

QWidget* createDebugPage(PageContext& context);

}  // namespace velk
