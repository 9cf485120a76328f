#include "comm/thread_commands.h"

#include <chrono>
#include <exception>

namespace velk {

namespace {

constexpr auto kPassInterval = std::chrono::milliseconds(10);

}  // namespace

ThreadCommands::ThreadCommands(Link& link, FormState& form, WindowState& window,
                               WindowOperations& operations, LiveData& live)
    : link_(link), form_(form), window_(window), operations_(operations), live_(live) {}

ThreadCommands::~ThreadCommands() { stop(); }

void ThreadCommands::start() {
  if (thread_.joinable()) return;
  thread_ = std::jthread([this](std::stop_token stop) { run(stop); });
}

void ThreadCommands::post(const QString& key, Job job) {
  {
    std::lock_guard lock(mutex_);
    for (const PostedJob& waiting : jobs_)
      if (waiting.key == key) return;
    jobs_.push_back({key, std::move(job)});
  }
  wake_.notify_all();
}

void ThreadCommands::postRequest(int code) {
  window_.RequestCode.store(code);
  window_.RequestPending.store(1);
  wake_.notify_all();
}

void ThreadCommands::postSetpoint(float value) {
  setpointToWrite_.store(value);
  postRequest(kRequestSetpoint);
}

void ThreadCommands::stop() {
  if (!thread_.joinable()) return;
  thread_.request_stop();
  wake_.notify_all();
  thread_.join();
  std::lock_guard lock(mutex_);
  jobs_.clear();
}

void ThreadCommands::run(std::stop_token stop) {
  const JobContext context{link_, form_, window_, operations_, live_, stop};
  while (!stop.stop_requested()) {
    pass(context);
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, stop, kPassInterval, [this] { return !jobs_.empty(); });
  }
}

void ThreadCommands::pass(const JobContext& context) { jobSection(context); }

void ThreadCommands::jobSection(const JobContext& context) {
  PostedJob posted;
  {
    std::lock_guard lock(mutex_);
    if (jobs_.empty()) return;
    posted = std::move(jobs_.front());
    jobs_.pop_front();
  }
  runJob(posted, context);
}

void ThreadCommands::runJob(const PostedJob& posted, const JobContext& context) {
  try {
    posted.job(context);
  } catch (const TransactionAbandoned&) {
    // The window is closing: nothing left to show.
  } catch (const std::exception& failure) {
    // The job stopped half way: leave no stale progress texts behind.
    context.progress(QString());
    operations_.ClearCommunicating();
    operations_.reportError(QString::fromLocal8Bit(failure.what()));
  }
}

}  // namespace velk
