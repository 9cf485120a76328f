#include "shell/comparison_window.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "registry/configuration_comparison.h"

namespace velk {

ComparisonWindow::ComparisonWindow(const QString& leftTitle, const QByteArray& left, const QString& rightTitle,
                                   const QByteArray& right, QWidget* parent)
    : QDialog(parent) {
  setObjectName("ComparisonWindow");
  setWindowTitle("Compare configurations");
  const std::vector<ComparedEntry> rows = compareConfigurations(left, right);
  auto* column = new QVBoxLayout(this);

  table_ = new QTableWidget(int(rows.size()), 3, this);
  table_->setObjectName("ComparisonTable");
  table_->setHorizontalHeaderLabels({"Key", leftTitle, rightTitle});
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->verticalHeader()->setVisible(false);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  int differing = 0;
  for (int r = 0; r < int(rows.size()); ++r) {
    const ComparedEntry& row = rows[std::size_t(r)];
    const QString cells[] = {row.key, comparedValueText(row.left), comparedValueText(row.right)};
    for (int c = 0; c < 3; ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      if (row.differs) {
        // Bold as well as shaded: it shows on any palette.
        QFont bold = item->font();
        bold.setBold(true);
        item->setFont(bold);
        item->setBackground(QColor(255, 236, 160));
        item->setToolTip("differs");
      }
      table_->setItem(r, c, item);
    }
    differs_.push_back(row.differs);
    differing += row.differs ? 1 : 0;
  }

  auto* summary = new QLabel(QString("%1 of %2 values differ").arg(differing).arg(rows.size()), this);
  summary->setObjectName("ComparisonSummary");
  onlyDifferences_ = new QCheckBox("Only what differs", this);
  onlyDifferences_->setObjectName("ComparisonOnlyDifferences");
  connect(onlyDifferences_, &QCheckBox::toggled, this, &ComparisonWindow::showRows);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

  column->addWidget(summary);
  column->addWidget(onlyDifferences_);
  column->addWidget(table_, 1);
  column->addWidget(buttons);
  resize(760, 620);
}

void ComparisonWindow::showRows() {
  for (int r = 0; r < table_->rowCount(); ++r)
    table_->setRowHidden(r, onlyDifferences_->isChecked() && !differs_[std::size_t(r)]);
}

}  // namespace velk
