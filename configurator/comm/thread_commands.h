#pragma once
// The background command thread: all device traffic runs here, never on the
// GUI thread. Buttons post jobs; the thread runs them one at a time, one per
// pass of its loop. The window's request slot (RequestCode, RequestPending)
// is served here too, by the sections that the connection and burst
// monitoring add to each pass.

#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

#include "comm/job_context.h"

namespace velk {

using Job = std::function<void(const JobContext&)>;

class ThreadCommands {
 public:
  ThreadCommands(Link& link, FormState& form, WindowState& window, WindowOperations& operations,
                 LiveData& live);
  ~ThreadCommands();  // stop()
  ThreadCommands(const ThreadCommands&) = delete;
  ThreadCommands& operator=(const ThreadCommands&) = delete;

  void start();
  bool isRunning() const { return thread_.joinable(); }

  // Queues a job. A job posted again while the same one (same key) still
  // waits is dropped: pressing "Read" twice reads once.
  void post(const QString& key, Job job);
  // Puts a request into the window's slot (a newer one replaces a waiting
  // one) and wakes the thread.
  void postRequest(int code);
  // Request 142: write this setpoint (percent) and show it in EditSetPoint.
  void postSetpoint(float value);
  float setpointToWrite() const { return setpointToWrite_.load(); }

  // Ends the thread: waiting jobs are dropped; a job in flight finishes its
  // current transaction and is abandoned at the next. Returns when joined.
  void stop();

 private:
  struct PostedJob {
    QString key;
    Job job;
  };

  void run(std::stop_token stop);
  void pass(const JobContext& context);
  void jobSection(const JobContext& context);
  void runJob(const PostedJob& posted, const JobContext& context);

  Link& link_;
  FormState& form_;
  WindowState& window_;
  WindowOperations& operations_;
  LiveData& live_;

  std::mutex mutex_;
  std::condition_variable_any wake_;
  std::deque<PostedJob> jobs_;
  std::atomic<float> setpointToWrite_{0};
  std::jthread thread_;
};

}  // namespace velk
