#include "history/history_writer.h"

namespace velk {

HistoryWriter::HistoryWriter(HistoryLocation location, Report report, Opened opened, bool sendWaiting)
    : report_(std::move(report)) {
  thread_ = std::thread([this, location = std::move(location), opened = std::move(opened), sendWaiting] {
    run(location, opened, sendWaiting);
  });
}

HistoryWriter::~HistoryWriter() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void HistoryWriter::post(HistoryRecord record) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back({std::move(record), {}});
  }
  wake_.notify_all();
}

void HistoryWriter::post(std::function<void(HistoryStore& store)> query) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back({{}, std::move(query)});
  }
  wake_.notify_all();
}

bool HistoryWriter::waitIdle(int timeoutMs) {
  std::unique_lock lock(mutex_);
  return idle_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return queue_.empty() && !busy_; });
}

void HistoryWriter::run(HistoryLocation location, const Opened& opened, bool sendWaiting) {
  // Qt SQL's connections belong to the thread that opens them: this one.
  HistoryStore store(std::move(location));
  const HistorySync sent = sendWaiting ? store.sync() : HistorySync{};
  QString lastProblem;
  if (opened) {
    // Said now: a record that fails for the same reason need not say it again.
    lastProblem = store.problem().isEmpty() ? sent.error : store.problem();
    opened(lastProblem);
  }
  std::unique_lock lock(mutex_);
  for (;;) {
    busy_ = false;
    idle_.notify_all();
    wake_.wait(lock, [this] { return !queue_.empty() || stopping_; });
    if (queue_.empty()) return;
    Work work = std::move(queue_.front());
    queue_.pop_front();
    busy_ = true;
    lock.unlock();
    if (work.query) {
      work.query(store);
      lock.lock();
      continue;
    }
    HistoryReport report{std::move(work.record), {}, false};
    report.result = store.write(report.record);
    const QString problem = report.result.message;
    report.repeated = !problem.isEmpty() && problem == lastProblem;
    lastProblem = problem;
    if (report_) report_(report);
    lock.lock();
  }
}

}  // namespace velk
