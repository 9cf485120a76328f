#include "service/map_page.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <memory>

#include "comm/configurator.h"
#include "model/form_fields.h"
#include "model/window_operations.h"
#include "service/map_operations.h"
#include "service/service_widgets.h"
#include "ui/form_binder.h"
#include "ui/page_busy.h"
#include "ui/page_context.h"
#include "ui/page_widgets.h"

namespace velk {

namespace {

constexpr int kSymbolIndexRole = Qt::UserRole + 1;

struct MapPageParts {
  QPushButton* load;
  QLabel* source;
  QLineEdit* filter;
  QTableView* symbols;
  QPushButton* add;
  QTableWidget* selection;
  QPushButton* remove;
  QComboBox* type;
  QLineEdit* value;
  QPushButton* write;
  QPushButton* read;
  QPushButton* save;
  QPushButton* loadSelection;
};

QGroupBox* createSymbolsGroup(MapPageParts& parts, QSortFilterProxyModel* proxy) {
  auto* group = new QGroupBox("Map file");
  auto* layout = new QVBoxLayout(group);
  auto* top = new QHBoxLayout;
  parts.load = createServiceButton("ButtonMapLoad", "Load map file...");
  top->addWidget(parts.load);
  parts.source = new QLabel("No map file loaded");
  top->addWidget(parts.source, 1);
  layout->addLayout(top);
  auto* filterRow = new QHBoxLayout;
  filterRow->addWidget(new QLabel("Filter :"));
  parts.filter = new QLineEdit;
  parts.filter->setPlaceholderText("part of a name");
  filterRow->addWidget(parts.filter, 1);
  layout->addLayout(filterRow);
  parts.symbols = new QTableView;
  parts.symbols->setObjectName("MapSymbols");
  parts.symbols->setModel(proxy);
  parts.symbols->setSelectionBehavior(QAbstractItemView::SelectRows);
  parts.symbols->setEditTriggers(QAbstractItemView::NoEditTriggers);
  parts.symbols->verticalHeader()->hide();
  parts.symbols->setSortingEnabled(true);
  parts.symbols->horizontalHeader()->setStretchLastSection(true);
  layout->addWidget(parts.symbols, 1);
  parts.add = createServiceButton("ButtonMapAdd", "Add to selection");
  layout->addWidget(parts.add, 0, Qt::AlignLeft);
  return group;
}

QGroupBox* createSelectionGroup(MapPageParts& parts) {
  auto* group = new QGroupBox(QString("Selected variables (up to %1)").arg(kMapSelectionMax));
  auto* layout = new QVBoxLayout(group);
  parts.selection = new QTableWidget(0, kMapColumns);
  parts.selection->setObjectName(kMapSelection);
  parts.selection->setHorizontalHeaderLabels({"Name", "Address", "Size", "Type", "Value", "Bytes"});
  parts.selection->setSelectionBehavior(QAbstractItemView::SelectRows);
  parts.selection->setSelectionMode(QAbstractItemView::SingleSelection);
  parts.selection->setEditTriggers(QAbstractItemView::NoEditTriggers);
  parts.selection->verticalHeader()->hide();
  parts.selection->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  parts.selection->horizontalHeader()->setStretchLastSection(true);
  layout->addWidget(parts.selection, 1);

  auto* edit = new QHBoxLayout;
  parts.remove = createServiceButton("ButtonMapRemove", "Remove");
  edit->addWidget(parts.remove);
  edit->addWidget(new QLabel("Type :"));
  parts.type = new QComboBox;
  parts.type->addItems(kMapTypes);
  edit->addWidget(parts.type);
  edit->addWidget(new QLabel("Value :"));
  parts.value = createServiceEdit("EditMapWrite", 120);
  edit->addWidget(parts.value);
  parts.write = createServiceButton("ButtonMapWrite", "Write");
  edit->addWidget(parts.write);
  edit->addStretch();
  layout->addLayout(edit);

  auto* files = new QHBoxLayout;
  parts.read = createServiceButton("ButtonMapRead", "Read");
  parts.save = createServiceButton("ButtonMapSave", "Save selection");
  parts.loadSelection = createServiceButton("ButtonMapLoadSelection", "Load selection");
  files->addWidget(parts.read);
  files->addWidget(parts.save);
  files->addWidget(parts.loadSelection);
  files->addStretch();
  layout->addLayout(files);
  return group;
}

void showSymbols(QStandardItemModel* model, const MapFile& map) {
  model->removeRows(0, model->rowCount());
  for (std::size_t i = 0; i < map.symbols.size(); ++i) {
    const MapSymbol& symbol = map.symbols[i];
    auto* name = new QStandardItem(symbol.name);
    name->setData(static_cast<int>(i), kSymbolIndexRole);
    auto* address = new QStandardItem(QString("0x%1").arg(symbol.address, 8, 16, QChar('0')));
    auto* size = new QStandardItem;
    size->setData(static_cast<qulonglong>(symbol.size), Qt::DisplayRole);
    model->appendRow({name, address, size, new QStandardItem(symbol.section)});
  }
}

}  // namespace

QWidget* createMapPage(PageContext& context) {
  auto loaded = std::make_shared<std::optional<MapFile>>();
  auto* symbolModel = new QStandardItemModel(0, 4);
  symbolModel->setHorizontalHeaderLabels({"Name", "Address", "Size", "Section"});
  auto* proxy = new QSortFilterProxyModel;
  proxy->setSourceModel(symbolModel);
  proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);

  MapPageParts parts{};
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* inputs = new QWidget;
  auto* columns = bareLayout<QHBoxLayout>(inputs);
  columns->addWidget(createSymbolsGroup(parts, proxy), 2);
  columns->addWidget(createSelectionGroup(parts), 3);
  layout->addWidget(inputs, 1);
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(new QLabel("File :"));
  auto* fileLabel = new QLabel;
  fileLabel->setObjectName(kMapFileLabel);
  fileLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  fileRow->addWidget(fileLabel, 1);
  layout->addLayout(fileRow);
  symbolModel->setParent(page);
  proxy->setParent(page);

  context.binder.bindNamedChildren(page);
  PageBusyLock* lock = lockWhileBusy(inputs, context);
  Configurator& core = context.core;

  auto currentRow = [selection = parts.selection] { return selection->currentRow(); };
  auto addSelected = [&core, loaded, proxy, symbols = parts.symbols] {
    if (!*loaded) return;
    for (const QModelIndex& index : symbols->selectionModel()->selectedRows()) {
      const int symbol = proxy->mapToSource(index).data(kSymbolIndexRole).toInt();
      QString error;
      if (!addMapVariable(core.form, (*loaded)->symbols[static_cast<std::size_t>(symbol)], error)) {
        core.operations.reportError(error);
        return;
      }
    }
  };

  QObject::connect(
      parts.load, &QPushButton::clicked, page,
      lock->whenIdle([&core, loaded, symbolModel, page, source = parts.source] {
        const QString path = QFileDialog::getOpenFileName(page, "Load map file", QDir::currentPath(),
                                                          "Map files (*.map *.txt);;All files (*)");
        if (path.isEmpty()) return;
        QString error;
        auto map = loadMapFile(path, error);
        if (!map) {
          core.operations.reportError(error);
          return;
        }
        showSymbols(symbolModel, *map);
        QString text = QString("%1: %2 symbols").arg(QDir::toNativeSeparators(path)).arg(map->symbols.size());
        if (map->skippedLines > 0) text += QString(", %1 lines were no symbol").arg(map->skippedLines);
        source->setText(text);
        *loaded = std::move(map);
      }));
  QObject::connect(parts.filter, &QLineEdit::textChanged, proxy,
                   &QSortFilterProxyModel::setFilterFixedString);
  QObject::connect(parts.add, &QPushButton::clicked, page, lock->whenIdle(addSelected));
  QObject::connect(parts.symbols, &QTableView::doubleClicked, page, lock->whenIdle(addSelected));
  QObject::connect(parts.remove, &QPushButton::clicked, page,
                   lock->whenIdle([&core, currentRow] { removeMapVariable(core.form, currentRow()); }));
  QObject::connect(parts.type, &QComboBox::textActivated, page,
                   [&core, currentRow, lock](const QString& type) {
                     if (!lock->busy())
                       setMapType(core.form, currentRow(), type, decimalSeparator(core.window));
                   });
  QObject::connect(parts.selection, &QTableWidget::currentCellChanged, page,
                   [selection = parts.selection, type = parts.type](int row) {
                     const QTableWidgetItem* item = row >= 0 ? selection->item(row, kMapType) : nullptr;
                     if (item) type->setCurrentText(item->text());
                   });
  QObject::connect(parts.read, &QPushButton::clicked, page, [context] {
    postPageJob(context, "map read",
                [folder = QDir::currentPath()](const JobContext& job) { readMapSelection(job, folder); });
  });
  QObject::connect(parts.write, &QPushButton::clicked, page, [context, currentRow, value = parts.value] {
    postPageJob(context, "map write", [row = currentRow(), text = value->text()](const JobContext& job) {
      writeMapVariable(job, row, text);
    });
  });
  auto selectionFile = [&core, loaded](bool save) {
    QString message;
    const QString folder = QDir::currentPath();
    const bool done = save ? saveMapSelection(core.form, folder, message)
                           : loadMapSelection(core.form, folder, *loaded ? &**loaded : nullptr, message);
    if (done)
      core.form.setText(kStatusBar, message);
    else
      core.operations.reportError(message);
  };
  QObject::connect(parts.save, &QPushButton::clicked, page,
                   lock->whenIdle([selectionFile] { selectionFile(true); }));
  QObject::connect(parts.loadSelection, &QPushButton::clicked, page,
                   lock->whenIdle([selectionFile] { selectionFile(false); }));
  return page;
}

}  // namespace velk
