#pragma once
// The background command thread: all device traffic runs here, never on the
// GUI thread. Every 10 ms a pass runs the burst section (burst monitoring)
// and then one piece of work: the next step of the connection job, else the
// request waiting in the window's slot (connect, service toggle, setpoint),
// else the next job a page button posted. The thread never touches a widget:
// it writes the form state and has the GUI thread run the window operations.
//
// Each of these is an operation of its own (a long job from its first step to
// its last): one that ends with failed commands leaves in the status bar how
// many, and where to read them, until the next operation starts.

#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

#include "comm/burst_monitor.h"
#include "comm/connection.h"
#include "comm/job_context.h"
#include "comm/page_module.h"
#include "comm/request_slot.h"
#include "comm/step_job.h"
#include "model/page_activity.h"

namespace velk {

// The status bar after an operation whose commands failed: "2 commands
// failed: see LOGS".
QString failedCommandsText(int count);

class ThreadCommands {
 public:
  ThreadCommands(Link& link, FormState& form, WindowState& window, WindowOperations& operations,
                 LiveData& live, PageActivity& activity);
  ~ThreadCommands();  // stop()
  ThreadCommands(const ThreadCommands&) = delete;
  ThreadCommands& operator=(const ThreadCommands&) = delete;

  // The pages whose hooks the connection and burst monitoring call. Set
  // before start().
  void setModules(PageModules modules) { modules_ = std::move(modules); }

  void start();
  bool isRunning() const { return thread_.joinable(); }

  // Queues a job. A job posted again while the same one (same key) still
  // waits is dropped: pressing "Read" twice reads once. A job of a page
  // keeps that page busy (PageActivity) from now until it has run or is
  // dropped.
  void post(const QString& key, Job job, const QString& page = {});
  // A long job (a calibration, an upload, a long transfer) that runs a step
  // per turn (step_job.h), posted as post() posts.
  void postSteps(const QString& key, StepJob job, const QString& page = {});
  // Puts a request into the window's slot (a newer one replaces a waiting
  // one) and wakes the thread.
  void postRequest(int code);
  // Request 142: write this setpoint (percent) and show it in EditSetPoint as
  // `shown` (the field's unit is the caller's business; empty: the percent
  // with two decimals). A newer setpoint replaces a waiting one, but it never
  // displaces another request that waits.
  void postSetpoint(float value, const QString& shown = {});
  float setpointToWrite() const;

  // What a request code without a handler of its own runs: "Read All" (666)
  // and "Send All" (667) register their sequences here. Set before start().
  void setRequestHandler(int code, Job handler);

  // What switching burst mode is timed by. Set before start().
  void setBurstClock(BurstClock clock) { burst_.setClock(std::move(clock)); }

  // How long a closing program may spend switching burst mode off in the
  // device before it lets go of the link.
  void setShutdownBudget(std::chrono::milliseconds budget) { shutdownBudget_.store(budget); }

  // Drops the jobs still waiting; the one running goes on.
  void dropWaitingJobs();

  // Ends the thread: waiting jobs are dropped; a job in flight finishes its
  // current transaction and is abandoned at the next. With a connection
  // standing, burst mode is switched off and the link shut down. Returns when
  // joined.
  void stop();

 private:
  struct PostedJob {
    QString key;
    StepJob job;
    QString page;
    bool started = false;
    // Where its steps count their failed commands; it stays put as the job
    // moves through the queue.
    std::unique_ptr<int> failedCommands = std::make_unique<int>(0);
  };

  void run(std::stop_token stop);
  void pass(const JobContext& context);
  void burstSection(const JobContext& context);
  void jobSection(const JobContext& context);
  void serveRequest(int code, const JobContext& context);
  void operation(const JobContext& context, const std::function<void(const JobContext&)>& work);
  void beginOperation();
  void endOperation(int failedCommands);
  void writeSetpoint(const JobContext& context);
  void toggleService(const JobContext& context);
  void guarded(const JobContext& context, const std::function<void()>& work);
  void wake();

  Link& link_;
  FormState& form_;
  WindowState& window_;
  WindowOperations& operations_;
  LiveData& live_;
  PageActivity& activity_;

  PageModules modules_;
  RequestSlot requests_;
  BurstMonitor burst_;
  Connection connection_;
  std::map<int, Job> requestHandlers_;
  std::atomic<std::chrono::milliseconds> shutdownBudget_{std::chrono::milliseconds(3000)};

  mutable std::mutex mutex_;
  std::condition_variable_any wake_;
  bool woken_ = false;
  std::deque<PostedJob> jobs_;
  QString failureShown_;       // the failure text the last operation left
  float setpointToWrite_ = 0;  // under mutex_
  QString setpointShown_;
  std::jthread thread_;
};

}  // namespace velk
