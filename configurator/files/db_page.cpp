#include "files/db_page.h"

#include <algorithm>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "comm/configurator.h"
#include "files/db_model.h"
#include "files/db_search_dialog.h"
#include "history/history_store.h"
#include "history/program_history.h"
#include "ui/form_binder.h"
#include "ui/page_context.h"
#include "ui/page_widgets.h"

namespace velk {

namespace {

// Under the signature list: marks the selected record as its device's baseline.
constexpr const char* kSetBaselineButton = "ButtonDBSigBaseline";

struct Control {
  const char* name;
  const char* caption;
  bool checkBox = false;
};

struct ListControls {
  DbList list;
  const char* name;
  const char* caption;
  std::vector<Control> controls;
  const char* load;  // "Load" or "View"; none for none
  const char* remove;
  const char* search;
  const char* allow = nullptr;  // "Allow delete"
  const char* weeks = nullptr;
  const char* days = nullptr;
};

const ListControls kLists[] = {
    {DbList::Configurations,
     "ConfigListBox",
     "Configuration files (all settings can be saved here) :",
     {{"ButtonDBConfSave", "Save"},
      {"ButtonDBConfLoad", "Load"},
      {"ButtonDBConfCompare", "Compare"},
      {"ButtonDBConfSearch", "Search ..."},
      {"ButtonDBConfDelete", "Delete"}},
     "ButtonDBConfLoad",
     "ButtonDBConfDelete",
     "ButtonDBConfSearch"},
    {DbList::Signatures,
     "SigListBox",
     "Signature files (these are saved on the Diagnostics tab) :",
     {{"ButtonDBSigLoad", "Load"},
      {kSetBaselineButton, "Set as baseline"},
      {"ButtonDBSigSearch", "Search ..."},
      {"ButtonDBSigDelete", "Delete"},
      {"CheckBoxDBSigAllow", "Allow delete", true}},
     "ButtonDBSigLoad",
     "ButtonDBSigDelete",
     "ButtonDBSigSearch",
     "CheckBoxDBSigAllow"},
    {DbList::Trends,
     "TrendListBox",
     "Trend files (autosaved by the Trend function) :",
     {{"ButtonDBTrendView", "View"},
      {"ButtonDBTrendSearch", "Search ..."},
      {"ButtonDBTrendDelete", "Delete"},
      {"CheckBoxDBTrendShowWeeks", "Show weeks", true},
      {"CheckBoxDBTrendShowDays", "Show days", true}},
     "ButtonDBTrendView",
     "ButtonDBTrendDelete",
     "ButtonDBTrendSearch",
     nullptr,
     "CheckBoxDBTrendShowWeeks",
     "CheckBoxDBTrendShowDays"},
    {DbList::Logs,
     "LogListBox",
     "Log files (autosaved by the Log function) :",
     {{"ButtonDBLogView", "View"},
      {"ButtonDBLogSearch", "Search ..."},
      {"ButtonDBLogDelete", "Delete"},
      {"CheckBoxDBLogShowWeeks", "Show weeks", true},
      {"CheckBoxDBLogShowDays", "Show days", true}},
     "ButtonDBLogView",
     "ButtonDBLogDelete",
     "ButtonDBLogSearch",
     nullptr,
     "CheckBoxDBLogShowWeeks",
     "CheckBoxDBLogShowDays"},
};

const ListControls& controlsOf(DbList list) { return kLists[int(list)]; }

constexpr const char* kDeviceChooser = "DbDeviceChooser";
// "CONNECTED", "DISCONNECTED", ... beside the connect button.
constexpr const char* kConnectionText = "StaticText1";

QString searchDescription(const HistorySearch& search) {
  QStringList parts;
  if (!search.tag.isEmpty()) parts << "tag " + search.tag;
  if (!search.deviceId.isEmpty()) parts << "device ID " + search.deviceId;
  if (search.from.isValid()) parts << "from " + search.from.toString(Qt::ISODate);
  if (search.to.isValid()) parts << "to " + search.to.toString(Qt::ISODate);
  if (search.kind) parts << historyKindName(*search.kind);
  return parts.isEmpty() ? QString() : "Search: " + parts.join(", ");
}

}  // namespace

DbPageDialogs desktopDbPageDialogs() {
  return {
      [](QWidget* parent, const QString& proposed) -> std::optional<QString> {
        bool ok = false;
        const QString name = QInputDialog::getText(parent, "Save in the device history",
                                                   "Name of the configuration :", QLineEdit::Normal, proposed, &ok);
        if (!ok) return std::nullopt;
        return name;
      },
      [](QWidget* parent, const QString& question) {
        return QMessageBox::question(parent, "Device history", question) == QMessageBox::Yes;
      },
      &askHistorySearch,
  };
}

DbPage::DbPage(PageContext& context) : core_(context.core) {
  auto* column = new QVBoxLayout(this);
  problem_ = new QLabel(this);
  problem_->setObjectName("DbHistoryProblem");
  problem_->setWordWrap(true);
  problem_->setStyleSheet("color: #a00000");
  column->addWidget(problem_);

  chooserRow_ = new QWidget(this);
  auto* chooserLayout = bareLayout<QHBoxLayout>(chooserRow_);
  chooserLayout->addWidget(new QLabel("Device :", chooserRow_));
  devices_ = new QComboBox(chooserRow_);
  devices_->setObjectName(kDeviceChooser);
  devices_->setMinimumContentsLength(30);
  chooserLayout->addWidget(devices_);
  searchText_ = new QLabel(chooserRow_);
  chooserLayout->addWidget(searchText_, 1);
  column->addWidget(chooserRow_);

  auto* lists = new QWidget(this);
  auto* grid = bareLayout<QGridLayout>(lists);
  for (const ListControls& list : kLists) {
    const int i = int(list.list);
    grid->addWidget(createList(list.list, list.name, list.caption), i % 2, i / 2);
  }
  column->addWidget(lists, 1);
  context.binder.bindNamedChildren(lists);

  connect(devices_, &QComboBox::activated, this, [this] { refresh(); });
  // A device read after connecting becomes the one the lists show; after
  // disconnecting, the chooser is back.
  connect(&core_.form, &FormState::changed, this, [this](const QString& name) {
    if ((name == "Edit183" || name == kConnectionText) && isVisible()) refresh();
    for (DbList list : {DbList::Trends, DbList::Logs}) {
      const ListControls& c = controlsOf(list);
      if ((name == c.weeks || name == c.days) && isVisible()) refresh();
    }
    if (name == controlsOf(DbList::Signatures).allow) selectionChanged(DbList::Signatures);
  });
  showProblem();
}

DbPage::~DbPage() = default;

QWidget* DbPage::createList(DbList list, const char* name, const char* caption) {
  auto* box = new QWidget;
  auto* layout = bareLayout<QVBoxLayout>(box);
  layout->addWidget(new QLabel(caption));
  auto* model = new HistoryListModel(dbListKinds(list), this);
  auto* view = new QListView;
  view->setObjectName(name);
  view->setModel(model);
  // Every row as high as the first: a long list is laid out without reading it.
  view->setUniformItemSizes(true);
  // Two configurations are chosen together to be compared.
  view->setSelectionMode(list == DbList::Configurations ? QAbstractItemView::ExtendedSelection
                                                        : QAbstractItemView::SingleSelection);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  layout->addWidget(view, 1);
  models_[int(list)] = model;
  views_[int(list)] = view;
  connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this, list] { selectionChanged(list); });
  connect(model, &QAbstractItemModel::modelReset, this, [this, list] { selectionChanged(list); });
  connect(model, &HistoryListModel::read, this, [this, list] {
    showProblem();
    reselect(list);
  });

  auto* row = new QHBoxLayout;
  // The check boxes on a line of their own, so that both columns fit the window.
  auto* checks = new QHBoxLayout;
  const ListControls& controls = controlsOf(list);
  for (const Control& control : controls.controls) {
    QWidget* widget = nullptr;
    if (control.checkBox) {
      widget = new QCheckBox(control.caption);
      widget->setObjectName(control.name);
      checks->addWidget(widget);
      continue;
    }
    {
      auto* button = new QPushButton(control.caption);
      const QString which = control.name;
      if (which == "ButtonDBConfSave") connect(button, &QPushButton::clicked, this, [this] { save(); });
      if (which == "ButtonDBConfCompare") connect(button, &QPushButton::clicked, this, [this] { compare(); });
      if (which == kSetBaselineButton) connect(button, &QPushButton::clicked, this, [this] { markBaseline(); });
      if (which == controls.load) connect(button, &QPushButton::clicked, this, [this, list] { load(list); });
      if (which == controls.remove) connect(button, &QPushButton::clicked, this, [this, list] { remove(list); });
      if (which == controls.search) connect(button, &QPushButton::clicked, this, [this] { search(); });
      widget = button;
    }
    widget->setObjectName(control.name);
    row->addWidget(widget);
  }
  row->addStretch(1);
  layout->addLayout(row);
  if (checks->count() > 0) {
    checks->addStretch(1);
    layout->addLayout(checks);
  } else {
    delete checks;
  }
  return box;
}

void DbPage::setServices(DbPageServices services) {
  // Another history (the settings chose another place): the lists read it.
  for (HistoryListModel* model : models_) {
    model->setReader(nullptr);
    model->reload();
  }
  reader_.reset();
  services_ = std::move(services);
  history_ = services_.history;
  if (ProgramHistory* history = history_) {
    connect(history, &ProgramHistory::problemChanged, this, [this] { showProblem(); });
    connect(history, &ProgramHistory::baselineMarked, this,
            [this](const HistoryRecord& record, const HistoryBaselineMark& mark) {
              say(mark.marked ? QString("Baseline of %1 for %2 %3: %4")
                                    .arg(mark.dataSet, record.device.model)
                                    .arg(record.device.deviceId)
                                    .arg(historyEntryText(record))
                              : "The baseline was not marked: " + mark.error);
            });
    connect(history, &ProgramHistory::storeOpened, this, [this] {
      if (isVisible()) refresh();
    });
    connect(history, &ProgramHistory::recorded, this, [this](const HistoryRecord& record) {
      // A page out of sight reads its lists when it is shown.
      if (!reader_ || !isVisible()) return;
      refresh();
      // What was just saved here is what the technician looks for.
      if (record.kind == HistoryKind::Save) chosen_[int(DbList::Configurations)] = {record.id};
    });
  }
  if (isVisible()) refresh();
  showProblem();
}

HistoryListModel& DbPage::model(DbList list) const { return *models_[int(list)]; }
QListView* DbPage::view(DbList list) const { return views_[int(list)]; }

void DbPage::openStore() {
  // After the writer: it makes a new store (and its demo configuration)
  // once. And only once the page is looked at.
  if (reader_ || !history_ || !history_->opened() || !history_->chosen()) return;
  reader_ = std::make_unique<DbReader>(history_->location());
  for (HistoryListModel* model : models_) model->setReader(reader_.get());
  showDevices();
}

void DbPage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (reader_) showDevices();
  refresh();
}

void DbPage::showDevices() {
  if (!reader_) return;
  reader_->read<std::vector<HistoryDevice>>(
      &deviceRequests_, deviceRequests_.renew(), [](HistoryStore& store) { return store.devices(); },
      [this](const std::vector<HistoryDevice>& devices) {
        const QVariant chosen = devices_->currentData();
        devices_->clear();
        devices_->addItem("All devices");
        for (const HistoryDevice& device : devices) {
          QString text = QString("%1 %2").arg(device.model).arg(device.deviceId);
          if (!device.tag.isEmpty()) text += "  " + device.tag;
          devices_->addItem(text, device.deviceId);
        }
        devices_->setCurrentIndex(std::max(0, devices_->findData(chosen)));
      });
}

void DbPage::refresh() {
  openStore();
  if (!reader_ && history_ && history_->chosen() && !history_->opened()) {
    // The program's writer opens the store first (a shared one may take its
    // connect timeout); the lists are read once it has (storeOpened).
    for (HistoryListModel* m : models_) m->showReading();
    return;
  }
  const SearchFilter searched = searchFilter(search_);
  HistoryFilter filter = searched.filter;
  const std::optional<qint64> connected = connectedDeviceId(core_.form, core_.window);
  chooserRow_->setVisible(!connected || !search_.empty());
  devices_->setVisible(!connected);
  if (!filter.deviceId) {
    filter.deviceId = connected;
    if (!connected && devices_->currentIndex() > 0) filter.deviceId = devices_->currentData().toLongLong();
  }
  shownDevice_ = filter.deviceId;
  searchText_->setText(searchDescription(search_));
  for (DbList list : kDbLists) {
    HistoryListModel& m = model(list);
    // The records chosen stay chosen: a record written meanwhile (an upload
    // that just ended) must not take the technician's choice away. While a
    // reading is still out, what it is to choose again stays as it was.
    if (!m.reading()) {
      QList<QUuid>& chosen = chosen_[int(list)];
      chosen.clear();
      for (const QModelIndex& index : view(list)->selectionModel()->selectedRows())
        if (const std::optional<HistoryRecord> record = m.recordAt(index.row())) chosen << record->id;
    }
    m.setFilter(filter);
    if (dbListGrouped(list)) {
      const ListControls& c = controlsOf(list);
      m.setGrouping(historyGrouping(core_.form.checked(c.weeks), core_.form.checked(c.days)));
    }
    m.reload();
  }
  showProblem();
}

void DbPage::showProblem() {
  QString text;
  if (!history_)
    text = "No device history in this window.";
  else if (!history_->problem().isEmpty())
    text = history_->problem();
  for (const HistoryListModel* m : models_)
    if (text.isEmpty() && !m->error().isEmpty()) text = "The device history could not be read: " + m->error();
  for (const HistoryListModel* m : models_)
    if (text.isEmpty() && !m->note().isEmpty()) text = m->note();
  problem_->setText(text);
  problem_->setVisible(!text.isEmpty());
}

void DbPage::selectionChanged(DbList list) {
  const ListControls& c = controlsOf(list);
  // Load and Delete take one record.
  const bool chosen = view(list)->selectionModel()->selectedRows().size() == 1;
  core_.form.setEnabled(c.remove, chosen && deleteAllowed(list, c.allow && core_.form.checked(c.allow)));
  if (list == DbList::Signatures) core_.form.setEnabled(kSetBaselineButton, chosen);
}

std::optional<HistoryRecord> DbPage::selected(DbList list) {
  const QModelIndexList rows = view(list)->selectionModel()->selectedIndexes();
  if (rows.size() != 1 || !reader_) return std::nullopt;
  return model(list).recordAt(rows.front().row());
}

void DbPage::readWhole(std::vector<HistoryRecord> listed,
                       std::function<void(const std::vector<HistoryRecord>&)> then) {
  if (!reader_ || listed.empty()) return;
  reader_->read<std::vector<HistoryLookup>>(
      [listed](HistoryStore& store) {
        std::vector<HistoryLookup> found;
        for (const HistoryRecord& record : listed) found.push_back(store.find(historyIdText(record.id)));
        return found;
      },
      [this, then = std::move(then)](const std::vector<HistoryLookup>& found) {
        std::vector<HistoryRecord> records;
        for (const HistoryLookup& lookup : found) {
          if (lookup.outcome != HistoryLookup::Found) {
            say(lookup.outcome == HistoryLookup::Failed ? "The device history could not be read: " + lookup.error
                                                        : "The record is no longer in the device history");
            refresh();
            return;
          }
          records.push_back(lookup.record);
        }
        then(records);
      });
}

void DbPage::reselect(DbList list) {
  // Each record as soon as its row is read; one no longer among the newest
  // is let go at the next refresh.
  HistoryListModel& m = model(list);
  QList<QUuid>& chosen = chosen_[int(list)];
  if (m.reading()) return;
  for (auto id = chosen.begin(); id != chosen.end();) {
    if (const int row = m.rowOf(*id); row >= 0) {
      view(list)->selectionModel()->setCurrentIndex(m.index(row), QItemSelectionModel::Select);
      id = chosen.erase(id);
    } else {
      ++id;
    }
  }
}

void DbPage::say(const QString& text) { core_.form.setText(kStatusBar, text); }

void DbPage::save() {
  if (!history_ || !history_->chosen() || !services_.configurationText) {
    say(history_ ? history_->problem() : QString("No device history in this window"));
    return;
  }
  const QString tag = core_.form.text("EditTag").trimmed();
  const std::optional<QString> name = dialogs_.askName(this, tag);
  if (!name || name->trimmed().isEmpty()) return;
  history_->record({HistoryKind::Save, services_.configurationText(), name->trimmed()});
  say(QString("Saving \"%1\" in the device history").arg(name->trimmed()));
}

void DbPage::load(DbList list) {
  const std::optional<HistoryRecord> listed = selected(list);
  if (!listed) return;
  readWhole({*listed}, [this, list](const std::vector<HistoryRecord>& records) {
    if (list == DbList::Configurations) {
      if (services_.loadConfiguration) services_.loadConfiguration(records.front());
    } else if (services_.view) {
      services_.view(records.front());
    }
  });
}

void DbPage::markBaseline() {
  if (!history_) {
    say("No device history in this window");
    return;
  }
  // Marked on the history's own thread; the answer comes back as baselineMarked.
  if (const std::optional<HistoryRecord> listed = selected(DbList::Signatures))
    readWhole({*listed}, [this](const std::vector<HistoryRecord>& records) {
      if (history_) history_->markBaseline(records.front());
    });
}

void DbPage::remove(DbList list) {
  const ListControls& c = controlsOf(list);
  if (!deleteAllowed(list, c.allow && core_.form.checked(c.allow))) return;
  const std::optional<HistoryRecord> record = selected(list);
  if (!record) return;
  if (deleteAsksFirst(list) &&
      !dialogs_.confirm(this, QString("Delete \"%1\" from the device history?").arg(historyEntryText(*record))))
    return;
  struct Removed {
    bool removed = false;
    QString why;
  };
  const QUuid id = record->id;
  reader_->read<Removed>(
      [id](HistoryStore& store) {
        Removed result;
        result.removed = store.remove(id, &result.why);
        return result;
      },
      [this, entry = historyEntryText(*record)](const Removed& result) {
        if (result.removed)
          say("Deleted " + entry);
        else if (!result.why.isEmpty())
          say("The record could not be deleted: " + result.why);
        else
          // Not there (any more): nothing was deleted, which is no success to report.
          say("The record is no longer in the device history: " + entry);
        refresh();
      });
}

void DbPage::compare() {
  QModelIndexList rows = view(DbList::Configurations)->selectionModel()->selectedRows();
  if (!reader_ || !services_.compare) return;
  if (rows.isEmpty() || rows.size() > 2) {
    say("Compare: select one configuration (compared with the pages) or two");
    return;
  }
  // Newest first in the list: the older on the left.
  std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() > b.row(); });
  std::vector<HistoryRecord> listed;
  for (const QModelIndex& row : rows) {
    const std::optional<HistoryRecord> record = model(DbList::Configurations).recordAt(row.row());
    if (!record) return;
    listed.push_back(*record);
  }
  readWhole(std::move(listed), [this](const std::vector<HistoryRecord>& records) {
    if (services_.compare)
      services_.compare(records.front(), records.size() == 2 ? std::optional(records.back()) : std::nullopt);
  });
}

void DbPage::search() {
  const std::optional<HistorySearch> chosen = dialogs_.search(this, search_);
  if (!chosen) return;
  if (const SearchFilter checked = searchFilter(*chosen); !checked.error.isEmpty()) {
    core_.operations.reportError(checked.error);
    return;
  }
  search_ = *chosen;
  refresh();
}

QWidget* createDbPage(PageContext& context) { return new DbPage(context); }

}  // namespace velk
