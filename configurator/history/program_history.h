#pragma once
// The window's device history: one writer for the whole program, opened at
// start where the store choice points, installed as the place the pages hand
// their finished work to (WindowState::History). Records are written on the
// writer's thread, never the GUI's. A store that cannot be opened or written
// is said once, in the status bar and the communication log; the work it
// would have recorded has succeeded all the same.

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "history/history_location.h"
#include "history/history_record.h"
#include "history/history_store.h"
#include "model/work_recorder.h"

namespace velk {

class FormState;
class HistoryWriter;
class ThreadMailbox;
struct HistoryReport;
struct WindowState;

class ProgramHistory : public QObject {
  Q_OBJECT

 public:
  // On the GUI thread. `choice` as historyStoreChoice gives it; a choice that
  // could not be read keeps no history and says why.
  ProgramHistory(FormState& form, WindowState& window, HistoryLocationChoice choice, QObject* parent = nullptr);
  // Takes itself out of WindowState::History, then writes what was handed over.
  ~ProgramHistory() override;

  // From any thread: a record of `work` on the device as the window last
  // read it, by this user on this host.
  void record(FinishedWork work);

  const HistoryLocation& location() const { return location_; }
  // The choice could be read: there is a store to look at (which may still
  // turn out not to open).
  bool chosen() const { return chosenError_.isEmpty(); }
  // GUI thread: why records cannot be kept (or wait for the shared store);
  // empty while all is well or before the store has opened.
  QString problem() const { return problem_; }
  // GUI thread: the writer has opened the store (or found it cannot): a
  // page may open its own for reading now, without making it a second time.
  bool opened() const { return opened_; }

  // Until every record handed over is written; false when `timeoutMs` passed first.
  bool waitIdle(int timeoutMs);

  // GUI thread: looks up the device's baseline of `dataSet` on the writer's
  // thread (after the records handed over before); baselineFound answers.
  void lookUpBaseline(qint64 deviceId, const QString& dataSet);
  // GUI thread: marks a signature record as its device's baseline of its
  // data set; baselineMarked answers.
  void markBaseline(const HistoryRecord& record);

 Q_SIGNALS:
  // GUI thread: the answer of lookUpBaseline (Found, Unknown or Failed).
  void baselineFound(qint64 deviceId, const QString& dataSet, const velk::HistoryLookup& found);
  // GUI thread: the outcome of markBaseline.
  void baselineMarked(const velk::HistoryRecord& record, const velk::HistoryBaselineMark& mark);
  // GUI thread: a record is in the store (payload included).
  void recorded(const velk::HistoryRecord& record);
  // GUI thread: what problem() says has changed.
  void problemChanged(const QString& problem);
  // GUI thread: opened() has become true.
  void storeOpened();

 private:
  void reported(const HistoryReport& report);
  void tell(const QString& problem, bool alreadySaid);

  FormState& form_;
  WindowState& window_;
  HistoryLocation location_;
  QString chosenError_;
  QString problem_;
  bool opened_ = false;
  ThreadMailbox& mailbox_;
  std::unique_ptr<HistoryWriter> writer_;
};

// For a command-line run: work handed to WindowState::History is written at
// once to the store VELK_HISTORY names (opened for each record, on the
// thread that hands it over); a record that could not be kept is a warning,
// never a failed run. Takes itself out again when it goes.
class CommandLineHistory {
 public:
  using Warn = std::function<void(const QString& message)>;
  CommandLineHistory(FormState& form, WindowState& window, Warn warn);
  ~CommandLineHistory();
  CommandLineHistory(const CommandLineHistory&) = delete;
  CommandLineHistory& operator=(const CommandLineHistory&) = delete;

 private:
  WindowState& window_;
};

// The record of `work` on the device as the window last showed it, made now
// by this user on this host.
HistoryRecord finishedWorkRecord(FinishedWork work, const FormState& form, const WindowState& window);

// Where the window's history lives: VELK_HISTORY when it is set, else the
// Settings' choice (a file path, a PostgreSQL address, or empty for
// history.sqlite in `programFolder`), with the installed demo configuration.
HistoryLocationChoice historyStoreChoice(const QString& settingsChoice, const QString& programFolder);

}  // namespace velk
