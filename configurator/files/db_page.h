#pragma once
// The DB page's widgets: the device history in four lists (configurations,
// signatures, trends, logs) with their buttons, in two columns, and a device
// chooser above them while no device is connected. The page reads its lists
// on a reader of its own, off the GUI thread; records are written by the
// program's history.

#include <QList>
#include <QPointer>
#include <QUuid>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "files/db_operations.h"
#include "files/db_reader.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListView;

namespace velk {

class HistoryListModel;
class ProgramHistory;
class Configurator;
struct PageContext;

// What the window lends the page, which it cannot reach from below.
struct DbPageServices {
  ProgramHistory* history = nullptr;
  // File > Open's loading, of a configuration record's text. False: nothing
  // was loaded, and the reason has been shown.
  std::function<bool(const HistoryRecord& record)> loadConfiguration;
  // A signature, trend or log record shown on its page.
  std::function<void(const HistoryRecord& record)> view;
  // The configuration file's text for the pages as they stand ("Save").
  std::function<QByteArray()> configurationText;
  // Two configuration records side by side; without a second, the record
  // beside the pages as they stand.
  std::function<void(const HistoryRecord& left, const std::optional<HistoryRecord>& right)> compare = {};
};

// The page's questions, behind a seam so that tests can answer them.
struct DbPageDialogs {
  // The name to save the configuration under; none when cancelled.
  std::function<std::optional<QString>(QWidget* parent, const QString& proposed)> askName;
  std::function<bool(QWidget* parent, const QString& question)> confirm;
  // None when cancelled; an empty search shows everything again.
  std::function<std::optional<HistorySearch>(QWidget* parent, const HistorySearch& current)> search;
};
DbPageDialogs desktopDbPageDialogs();

class DbPage : public QWidget {
  Q_OBJECT

 public:
  explicit DbPage(PageContext& context);
  ~DbPage() override;

  void setServices(DbPageServices services);
  void setDialogs(DbPageDialogs dialogs) { dialogs_ = std::move(dialogs); }

  HistoryListModel& model(DbList list) const;
  QListView* view(DbList list) const;
  // Reads the lists again, for the device they show now.
  void refresh();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* createList(DbList list, const char* name, const char* caption);
  void openStore();
  void showDevices();
  void showProblem();
  void selectionChanged(DbList list);
  // The one record selected, as listed (without its payload).
  std::optional<HistoryRecord> selected(DbList list);
  // The records with their payloads, read again; `then` runs only when all
  // are there (what is missing is said).
  void readWhole(std::vector<HistoryRecord> listed, std::function<void(const std::vector<HistoryRecord>&)> then);
  // Selects again the records chosen before the list was read anew.
  void reselect(DbList list);
  void compare();
  void save();
  void load(DbList list);
  void remove(DbList list);
  void markBaseline();
  void search();
  void say(const QString& text);

  Configurator& core_;
  DbPageServices services_;
  QPointer<ProgramHistory> history_;  // gone before the page when the window closes
  DbPageDialogs dialogs_ = desktopDbPageDialogs();
  std::unique_ptr<DbReader> reader_;
  DbRequests deviceRequests_;
  // Per list: records to select again once the list's rows are read (the
  // technician's choice across a refresh, or a record saved here).
  std::array<QList<QUuid>, 4> chosen_;
  std::array<HistoryListModel*, 4> models_{};
  std::array<QListView*, 4> views_{};
  QLabel* problem_ = nullptr;
  QWidget* chooserRow_ = nullptr;
  QComboBox* devices_ = nullptr;
  QLabel* searchText_ = nullptr;
  HistorySearch search_;
  std::optional<qint64> shownDevice_;
};

QWidget* createDbPage(PageContext& context);

}  // namespace velk
