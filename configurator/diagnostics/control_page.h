#pragma once
// The CONTROL page: where the setpoint comes from, the process values, the
// setpoint typed, fixed, stepped or ramped, and the live graph of setpoint
// and position with the comparison sets loaded from graph files.

#include <QString>
#include <QWidget>
#include <functional>

#include "ui/page_context.h"

class QTimer;

namespace velk {

class Configurator;
class LiveGraphBox;
struct JobContext;

class ControlPage : public QWidget {
 public:
  explicit ControlPage(PageContext& context, QWidget* parent = nullptr);

  LiveGraphBox* graph() const { return graph_; }
  QTimer* rampTimer() const { return Timer2_; }

 private:
  QWidget* buildSetpointColumn();
  QWidget* buildGraphControls();
  void connectHandlers();

  // Every press is its own job, run in order: two steps step twice.
  void postSetpointJob(const char* what, std::function<void(const JobContext&)> job);
  void Button3Click();
  void Button4Click();

  Configurator& core_;
  const ProgramPaths& paths_;
  const PageContext context_;
  QWidget* setpointFields_ = nullptr;
  LiveGraphBox* graph_ = nullptr;
  QTimer* Timer2_ = nullptr;
  unsigned setpointJobs_ = 0;
};

QWidget* createControlPage(PageContext& context);

}  // namespace velk
