#include "service/debug_page.h"

#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "comm/configurator.h"
#include "service/array_grid.h"
#include "service/array_transfer.h"
#include "service/debug_operations.h"
#include "service/service_widgets.h"
#include "ui/form_binder.h"
#include "ui/page_busy.h"
#include "ui/page_context.h"
#include "ui/page_widgets.h"

namespace velk {

namespace {

constexpr int kFieldWidth = 110;
constexpr int kVariablesPerRow = 4;

QGroupBox* createVariablesGroup() {
  auto* group = new QGroupBox("Debug variables");
  auto* grid = new QGridLayout(group);
  for (int half = 0; half < 2; ++half) {
    const int top = 4 * half;
    grid->addWidget(new QLabel("Name"), top, 0);
    grid->addWidget(new QLabel("Read"), top + 1, 0);
    grid->addWidget(new QLabel("Write"), top + 2, 0);
    for (int column = 0; column < kVariablesPerRow; ++column) {
      const DebugVariableControls& variable = kDebugVariableControls[half * kVariablesPerRow + column];
      grid->addWidget(createServiceEdit(variable.name, kFieldWidth, true), top, column + 1);
      grid->addWidget(createServiceEdit(variable.read, kFieldWidth, true), top + 1, column + 1);
      grid->addWidget(createServiceEdit(variable.write, kFieldWidth), top + 2, column + 1);
      auto* write = createServiceButton(variable.button, "W");
      write->setFixedWidth(32);
      grid->addWidget(write, top + 3, column + 1, Qt::AlignLeft);
    }
  }
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(createServiceButton("Button22", "Read variables"));
  buttons->addWidget(createServiceButton("Button23", "Read variable names"));
  buttons->addWidget(createServiceButton("Button21", "Write variables"));
  buttons->addWidget(createServiceButton("Button36", "Confirm debug address"));
  buttons->addStretch();
  grid->addLayout(buttons, 8, 0, 1, kVariablesPerRow + 1);
  grid->setColumnStretch(kVariablesPerRow + 1, 1);
  return group;
}

QGroupBox* createArrayGroup(QTableView* table) {
  auto* group = new QGroupBox("Array");
  auto* row = new QHBoxLayout(group);
  row->addWidget(table, 1);
  auto* fields = new QGridLayout;
  fields->addWidget(new QLabel("Array length"), 0, 0);
  fields->addWidget(createNumberEdit(kArrayLength), 0, 1);
  fields->addWidget(new QLabel("Data size"), 1, 0);
  fields->addWidget(createNumberEdit(kDataSize), 1, 1);
  auto* isSigned = new QCheckBox("Signed");
  isSigned->setObjectName(kArraySigned);
  fields->addWidget(isSigned, 2, 1);
  fields->addWidget(new QLabel("Elements uploaded /written"), 3, 0);
  auto* done = createNumberEdit(kElementsDone);
  done->setReadOnly(true);
  fields->addWidget(done, 3, 1);
  fields->addWidget(createServiceButton("Button20", "Read array"), 4, 0, 1, 2);
  fields->addWidget(createServiceButton("Button16", "Write array"), 5, 0, 1, 2);
  fields->setRowStretch(6, 1);
  row->addLayout(fields);
  return group;
}

template <typename Widget>
Widget* child(QWidget* page, const QString& name) {
  auto* widget = page->findChild<Widget*>(name);
  Q_ASSERT(widget);
  return widget;
}

}  // namespace

ArrayGridModel::ArrayGridModel(std::shared_ptr<ArrayGrid> grid, QObject* parent)
    : QAbstractTableModel(parent), grid_(std::move(grid)), rows_(grid_->rowCount()) {
  connect(grid_.get(), &ArrayGrid::changed, this, &ArrayGridModel::follow);
}

int ArrayGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }
int ArrayGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 3; }

QVariant ArrayGridModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  return grid_->cell(index.row(), static_cast<ArrayGrid::Column>(index.column()));
}

QVariant ArrayGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
  static const char* const kHeadings[] = {"", "Read", "Write"};
  return section >= 0 && section < 3 ? QString(kHeadings[section]) : QVariant();
}

void ArrayGridModel::follow() {
  const int rows = grid_->rowCount();
  if (rows > rows_) {
    beginInsertRows({}, rows_, rows - 1);
    rows_ = rows;
    endInsertRows();
  }
  // Only the rows in view are painted again.
  Q_EMIT dataChanged(index(0, 0), index(rows_ - 1, 2));
}

QWidget* createDebugPage(PageContext& context) {
  // The grid may outlive the page in a job that is still running: it goes
  // on the GUI thread, where its notifications are delivered.
  std::shared_ptr<ArrayGrid> grid(new ArrayGrid, [](ArrayGrid* g) { g->deleteLater(); });
  auto cancel = std::make_shared<TransferCancel>();

  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* inputs = new QWidget;
  auto* inputsLayout = bareLayout<QVBoxLayout>(inputs);
  inputsLayout->addWidget(createVariablesGroup());
  auto* table = new QTableView;
  table->setObjectName("StringGrid1");
  table->setModel(new ArrayGridModel(grid, table));
  table->verticalHeader()->hide();
  table->horizontalHeader()->setStretchLastSection(true);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  inputsLayout->addWidget(createArrayGroup(table), 1);
  layout->addWidget(inputs, 1);

  auto* fileLabel = new QLabel;
  fileLabel->setObjectName(kArrayFile);
  fileLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(new QLabel("File :"));
  bottom->addWidget(fileLabel, 1);
  layout->addLayout(bottom);
  context.binder.bindNamedChildren(page);
  // Not bound: its enabled state follows the page's activity.
  bottom->insertWidget(0, createCancelButton("ButtonArrayCancel", context, cancel));

  postOnClick(child<QPushButton>(page, "Button22"), context, "debug read variables", &readDebugVariables);
  postOnClick(child<QPushButton>(page, "Button23"), context, "debug read names", &readDebugVariableNames);
  postOnClick(child<QPushButton>(page, "Button21"), context, "debug write variables", &writeDebugVariables);
  postOnClick(child<QPushButton>(page, "Button36"), context, "debug confirm address", &confirmDebugAddress);
  const PageJob writeOne[kDebugVariables] = {&writeDebugVariableClick<0>, &writeDebugVariableClick<1>,
                                             &writeDebugVariableClick<2>, &writeDebugVariableClick<3>,
                                             &writeDebugVariableClick<4>, &writeDebugVariableClick<5>,
                                             &writeDebugVariableClick<6>, &writeDebugVariableClick<7>};
  for (int i = 0; i < kDebugVariables; ++i)
    postOnClick(child<QPushButton>(page, kDebugVariableControls[i].button), context,
                QString("debug write variable %1").arg(i), writeOne[i]);
  // The files go to the folder the program runs in, as it is at the click.
  postOnClick(child<QPushButton>(page, "Button20"), context, "debug read array", [grid, cancel] {
    cancel->reset();
    return readArray(grid, cancel, QDir::currentPath());
  });
  postOnClick(child<QPushButton>(page, "Button16"), context, "debug write array", [grid, cancel] {
    cancel->reset();
    return writeArray(grid, cancel, QDir::currentPath());
  });
  lockWhileBusy(inputs, context);
  return page;
}

}  // namespace velk
