#include "comm/thread_commands.h"

#include <exception>
#include <utility>

#include "comm/device_commands.h"
#include "model/form_fields.h"
#include "model/number_text.h"

namespace velk {

namespace {

constexpr auto kPassInterval = std::chrono::milliseconds(10);

}  // namespace

QString failedCommandsText(int count) {
  return count == 1 ? QString("1 command failed: see LOGS")
                    : QString("%1 commands failed: see LOGS").arg(count);
}

ThreadCommands::ThreadCommands(Link& link, FormState& form, WindowState& window, WindowOperations& operations,
                               LiveData& live, PageActivity& activity)
    : link_(link),
      form_(form),
      window_(window),
      operations_(operations),
      live_(live),
      activity_(activity),
      requests_(window),
      burst_(modules_),
      connection_(burst_, requests_, modules_, [this] { dropWaitingJobs(); }) {}

ThreadCommands::~ThreadCommands() { stop(); }

void ThreadCommands::start() {
  if (thread_.joinable()) return;
  thread_ = std::jthread([this](std::stop_token stop) { run(stop); });
}

void ThreadCommands::wake() {
  {
    std::lock_guard lock(mutex_);
    woken_ = true;
  }
  wake_.notify_all();
}

void ThreadCommands::post(const QString& key, Job job, const QString& page) {
  postSteps(key, singleStep(std::move(job)), page);
}

void ThreadCommands::postSteps(const QString& key, StepJob job, const QString& page) {
  {
    std::lock_guard lock(mutex_);
    for (const PostedJob& waiting : jobs_)
      if (waiting.key == key) return;
    activity_.begin(page);
    jobs_.push_back({key, std::move(job), page});
  }
  wake();
}

void ThreadCommands::dropWaitingJobs() {
  std::deque<PostedJob> dropped;
  {
    std::lock_guard lock(mutex_);
    dropped.swap(jobs_);
  }
  for (const PostedJob& posted : dropped) {
    if (posted.job.dropped) posted.job.dropped();
    activity_.end(posted.page);
  }
}

void ThreadCommands::postRequest(int code) {
  requests_.post(code);
  wake();
}

void ThreadCommands::postSetpoint(float value, const QString& shown) {
  {
    std::lock_guard lock(mutex_);
    setpointToWrite_ = value;
    setpointShown_ = shown;
  }
  if (requests_.postUnlessOtherWaiting(kRequestSetpoint)) wake();
}

float ThreadCommands::setpointToWrite() const {
  std::lock_guard lock(mutex_);
  return setpointToWrite_;
}

void ThreadCommands::setRequestHandler(int code, Job handler) { requestHandlers_[code] = std::move(handler); }

void ThreadCommands::stop() {
  if (!thread_.joinable()) return;
  thread_.request_stop();
  wake_.notify_all();
  thread_.join();
  dropWaitingJobs();
}

void ThreadCommands::run(std::stop_token stop) {
  const JobContext context{link_, form_, window_, operations_, live_, stop};
  while (!stop.stop_requested()) {
    pass(context);
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, stop, kPassInterval, [this] { return woken_; });
    woken_ = false;
  }
  // Closing: the link is ours alone now, and the device should not go on
  // bursting at nobody.
  try {
    connection_.shutDown(link_, window_, live_, shutdownBudget_.load());
  } catch (const std::exception&) {
    // The library would not load: there is no link to close.
  }
}

void ThreadCommands::pass(const JobContext& context) {
  burstSection(context);
  jobSection(context);
}

void ThreadCommands::burstSection(const JobContext& context) {
  try {
    burst_.section(context);
    if (burst_.takeConnectionLost()) connection_.connectionLost(context);
  } catch (const TransactionAbandoned&) {
  } catch (const std::exception& failure) {
    // Trying again every pass would only repeat the message.
    burst_.abandon(live_);
    operations_.reportError(QString::fromLocal8Bit(failure.what()));
  }
}

void ThreadCommands::jobSection(const JobContext& context) {
  if (connection_.hasNextStep()) {
    operation(context, [this](const JobContext& job) { connection_.runNextStep(job); });
    return;
  }
  if (const auto code = requests_.take()) {
    operation(context, [this, code = *code](const JobContext& job) { serveRequest(code, job); });
    return;
  }
  PostedJob posted;
  {
    std::lock_guard lock(mutex_);
    if (jobs_.empty()) return;
    posted = std::move(jobs_.front());
    jobs_.pop_front();
  }
  if (!std::exchange(posted.started, true)) beginOperation();
  JobContext job = context;
  job.failedCommands = posted.failedCommands.get();
  bool more = false;
  bool stepped = false;
  guarded(job, [&] {
    more = posted.job.step(job);
    stepped = true;
  });
  if (more && !context.stop.stop_requested()) {
    // Its page stays busy while it waits for its next turn.
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(posted));
    return;
  }
  // A step that threw ended the job before its last step, as a drop does:
  // what the job holds (a running sequence, a page's upload) is let go.
  if ((more || !stepped) && posted.job.dropped) posted.job.dropped();
  activity_.end(posted.page);
  endOperation(*posted.failedCommands);
}

void ThreadCommands::operation(const JobContext& context,
                               const std::function<void(const JobContext&)>& work) {
  beginOperation();
  int failedCommands = 0;
  JobContext job = context;
  job.failedCommands = &failedCommands;
  guarded(job, [&] { work(job); });
  endOperation(failedCommands);
}

// The failure text of the operation before goes; a newer text stays.
void ThreadCommands::beginOperation() {
  if (failureShown_.isEmpty()) return;
  form_.update(kStatusBar, kText, [&](ControlValue& value) {
    if (value.text == failureShown_) value.text.clear();
  });
  failureShown_.clear();
}

// The technician looks at the status bar, not at the LOGS page: the count of
// failed commands goes there, unless the operation left a text of its own
// (which says what failed).
void ThreadCommands::endOperation(int failedCommands) {
  if (failedCommands == 0) return;
  const QString text = failedCommandsText(failedCommands);
  bool shown = false;
  form_.update(kStatusBar, kText, [&](ControlValue& value) {
    if (!value.text.isEmpty()) return;
    value.text = text;
    shown = true;
  });
  if (shown) failureShown_ = text;
}

void ThreadCommands::serveRequest(int code, const JobContext& context) {
  switch (code) {
    case kRequestConnection: connection_.serveRequest(context); return;
    case kRequestSetpoint: writeSetpoint(context); return;
    case kRequestServiceToggle: toggleService(context); return;
    default:
      if (const auto handler = requestHandlers_.find(code); handler != requestHandlers_.end())
        handler->second(context);
  }
}

void ThreadCommands::writeSetpoint(const JobContext& context) {
  float value = 0;
  QString shown;
  {
    std::lock_guard lock(mutex_);
    value = setpointToWrite_;
    shown = setpointShown_;
  }
  {
    auto tx = context.transaction();
    tx->SetFloat(0, value);
    context.ExecuteCommand(tx, kWriteSetpoint, 4);
  }
  // The ramp takes its next step from what the field shows.
  if (shown.isEmpty()) shown = QString::fromStdString(formatFixed(value, 2, decimalSeparator(window_)));
  form_.setText("EditSetPoint", shown);
}

void ThreadCommands::toggleService(const JobContext& context) {
  operations_.ShowCommunicating();
  const bool outOfService = !window_.OutOfService.load();
  window_.OutOfService.store(outOfService);
  {
    auto tx = context.transaction();
    tx->SetInteger(0, 1, outOfService ? kOutOfServiceCode : kInServiceCode);
    if (!context.ExecuteCommand(tx, kWriteMode, 1)) window_.OutOfService.store(!outOfService);
  }
  operations_.ShowServiceState(window_.OutOfService.load() ? 1 : 0);
  operations_.ClearCommunicating();
}

void ThreadCommands::guarded(const JobContext& context, const std::function<void()>& work) {
  try {
    work();
  } catch (const TransactionAbandoned&) {
    // The window is closing: nothing left to show.
  } catch (const std::exception& failure) {
    // The work stopped half way: leave no stale progress texts behind.
    context.progress(QString());
    operations_.ClearCommunicating();
    operations_.reportError(QString::fromLocal8Bit(failure.what()));
  }
}

}  // namespace velk
