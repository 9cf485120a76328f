#include "history/program_history.h"

#include "history/history_store.h"
#include "history/history_writer.h"
#include "model/form_state.h"
#include "model/thread_mailbox.h"
#include "model/window_operations.h"
#include "model/window_state.h"

namespace velk {

ProgramHistory::ProgramHistory(FormState& form, WindowState& window, HistoryLocationChoice choice,
                               QObject* parent)
    : QObject(parent),
      form_(form),
      window_(window),
      location_(std::move(choice.location)),
      chosenError_(std::move(choice.error)),
      mailbox_(ThreadMailbox::of(this)) {
  if (!chosen()) {
    tell("The device history cannot be used: " + chosenError_, false);
    return;
  }
  writer_ = std::make_unique<HistoryWriter>(
      location_, [this](const HistoryReport& report) { reported(report); },
      [this](const QString& problem) {
        mailbox_.post(this, [this, problem] {
          opened_ = true;
          tell(problem, false);
          Q_EMIT storeOpened();
        });
      });
  window_.History.install([this](FinishedWork work) { record(std::move(work)); });
}

ProgramHistory::~ProgramHistory() {
  window_.History.install({});
  writer_.reset();
}

HistoryRecord finishedWorkRecord(FinishedWork work, const FormState& form, const WindowState& window) {
  HistoryRecord record = newHistoryRecord(work.kind, historyDevice(form, window), work.payload);
  record.name = std::move(work.name);
  record.keysSent = std::move(work.keysSent);
  record.keysFailed = std::move(work.keysFailed);
  return record;
}

void ProgramHistory::record(FinishedWork work) {
  if (writer_) writer_->post(finishedWorkRecord(std::move(work), form_, window_));
}

CommandLineHistory::CommandLineHistory(FormState& form, WindowState& window, Warn warn) : window_(window) {
  window_.History.install([&form, &window, warn = std::move(warn)](FinishedWork work) {
    const HistoryWriteResult written = recordInHistory(finishedWorkRecord(std::move(work), form, window));
    if (!written.message.isEmpty() && warn) warn(written.message);
  });
}

CommandLineHistory::~CommandLineHistory() { window_.History.install({}); }

bool ProgramHistory::waitIdle(int timeoutMs) { return !writer_ || writer_->waitIdle(timeoutMs); }

void ProgramHistory::lookUpBaseline(qint64 deviceId, const QString& dataSet) {
  if (!writer_) return;
  writer_->post([this, deviceId, dataSet](HistoryStore& store) {
    const HistoryLookup found = store.baseline(deviceId, dataSet);
    mailbox_.post(this, [this, deviceId, dataSet, found] { Q_EMIT baselineFound(deviceId, dataSet, found); });
  });
}

void ProgramHistory::markBaseline(const HistoryRecord& record) {
  if (!writer_) {
    Q_EMIT baselineMarked(record, {false, {}, "The device history cannot be used: " + chosenError_});
    return;
  }
  writer_->post([this, record](HistoryStore& store) {
    const HistoryBaselineMark mark = store.setBaseline(record);
    mailbox_.post(this, [this, record, mark] { Q_EMIT baselineMarked(record, mark); });
  });
}

void ProgramHistory::reported(const HistoryReport& report) {
  // On the writer's thread: what the window shows changes on the GUI thread.
  mailbox_.post(this, [this, report] {
    tell(report.result.message, report.repeated);
    if (report.result.stored) Q_EMIT recorded(report.record);
  });
}

void ProgramHistory::tell(const QString& problem, bool alreadySaid) {
  if (problem != problem_) {
    problem_ = problem;
    Q_EMIT problemChanged(problem_);
  }
  if (problem.isEmpty() || alreadySaid) return;
  form_.setText(kStatusBar, problem);
  form_.appendLine(kCommunicationLog, problem);
}

HistoryLocationChoice historyStoreChoice(const QString& settingsChoice, const QString& programFolder) {
  const QString variable = qEnvironmentVariable(kHistoryVariable).trimmed();
  const QString text = variable.isEmpty() ? settingsChoice.trimmed() : variable;
  HistoryLocationChoice choice = historyLocationFrom(text);
  if (variable.isEmpty() && !choice.error.isEmpty())
    choice.error.replace(kHistoryVariable, "The device history chosen in the settings");
  // The window's own data folder (the standard one unless a test chose
  // another), for the default file and what waits for a shared store.
  if (!programFolder.isEmpty() && (text.isEmpty() || choice.location.shared))
    choice.location.localFile = programFolder + "/history.sqlite";
  choice.location.demoConfiguration = installedDemoConfiguration();
  return choice;
}

}  // namespace velk
