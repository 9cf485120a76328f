#pragma once
// Two configurations side by side in a window of their own: every key in the
// file's order with both values, the rows that differ in bold on a shade, and
// a check box that leaves only those. Opened from the DB page.

#include <QByteArray>
#include <QDialog>
#include <QString>
#include <vector>

class QCheckBox;
class QTableWidget;

namespace velk {

class ComparisonWindow : public QDialog {
  Q_OBJECT

 public:
  ComparisonWindow(const QString& leftTitle, const QByteArray& left, const QString& rightTitle,
                   const QByteArray& right, QWidget* parent = nullptr);

  QTableWidget* table() const { return table_; }
  QCheckBox* onlyDifferences() const { return onlyDifferences_; }

 private:
  void showRows();

  QTableWidget* table_ = nullptr;
  QCheckBox* onlyDifferences_ = nullptr;
  std::vector<bool> differs_;
};

}  // namespace velk
