#include "diagnostics/control_page.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include "comm/configurator.h"
#include "diagnostics/control_operations.h"
#include "diagnostics/live_graph.h"
#include "diagnostics/logic/setpoint_rules.h"
#include "model/program_paths.h"
#include "ui/field_validation.h"
#include "ui/form_binder.h"
#include "ui/page_busy.h"
#include "ui/page_context.h"
#include "ui/page_widgets.h"
#include "ui/radio_group.h"

namespace velk {

namespace {

constexpr int kRampIntervalMs = 2000;
constexpr int kSetpointColumnWidth = 152;
// The graph's value axis stands this far from the page's top edge.
constexpr int kGraphTop = 27;
constexpr const char* kGraphFileFilters = "Text files (*.txt);;All files (*)";

template <typename Widget>
Widget* named(Widget* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

QPushButton* button(const char* name, const char* caption, QWidget* parent) {
  return named(new QPushButton(caption, parent), name);
}

QLabel* label(const char* name, const char* text, QWidget* parent) {
  return named(new QLabel(text, parent), name);
}

QCheckBox* colouredCheckBox(const char* name, const char* caption, const QColor& colour, QWidget* parent) {
  auto* box = named(new QCheckBox(caption, parent), name);
  QPalette palette = box->palette();
  palette.setColor(QPalette::WindowText, colour);
  palette.setColor(QPalette::ButtonText, colour);
  box->setPalette(palette);
  return box;
}

// A titled pair of show check boxes: setpoint above position.
QGroupBox* showGroup(const char* title, QCheckBox* setpoint, QCheckBox* position, QWidget* parent) {
  auto* group = new QGroupBox(title, parent);
  auto* layout = new QVBoxLayout(group);
  layout->setContentsMargins(6, 2, 6, 2);
  layout->setSpacing(0);
  setpoint->setParent(group);
  position->setParent(group);
  layout->addWidget(setpoint);
  layout->addWidget(position);
  return group;
}

bool textFilterChosen(const QString& filter) { return filter.startsWith("Text files"); }

}  // namespace

ControlPage::ControlPage(PageContext& context, QWidget* parent)
    : QWidget(parent), core_(context.core), paths_(context.paths), context_(context) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(8, 8, 8, 8);
  row->addWidget(buildSetpointColumn(), 0, Qt::AlignTop);

  auto* graphColumn = new QVBoxLayout;
  graphColumn->setContentsMargins(0, kGraphTop - 8, 0, 0);
  auto* panel = new LiveGraphPanel(core_.live, core_.form, core_.window, this);
  graph_ = panel->graph();
  graphColumn->addWidget(panel, 0, Qt::AlignLeft);
  graphColumn->addWidget(buildGraphControls(), 0, Qt::AlignLeft);
  graphColumn->addStretch(1);
  row->addLayout(graphColumn);
  row->addStretch(1);

  Timer2_ = new QTimer(this);
  Timer2_->setInterval(kRampIntervalMs);

  context.binder.bindNamedChildren(this);
  connectHandlers();
  // The fields the page's operations read and write wait for them. The
  // buttons do not: each press is a job of its own, and two steps step
  // twice; the graph goes on meanwhile.
  lockWhileBusy(setpointFields_, context);
}

QWidget* ControlPage::buildSetpointColumn() {
  auto* column = new QWidget(this);
  column->setFixedWidth(kSetpointColumnWidth);
  auto* layout = bareLayout<QVBoxLayout>(column);

  // The fields the page's operations read and write, locked together while
  // one runs (their own enabled states follow the connection).
  setpointFields_ = new QWidget(column);
  auto* fields = bareLayout<QVBoxLayout>(setpointFields_);
  fields->addWidget(named(new RadioGroup("Setpoint source", setpointFields_), kSetpointSourceGroup));
  auto* setpoint = new QHBoxLayout;
  setpoint->addWidget(label("LabelSetPoint", "Setpoint :", setpointFields_));
  auto* edit = named(new QLineEdit("0", setpointFields_), kSetpointEdit);
  edit->setFixedWidth(56);
  setpoint->addWidget(edit);
  setpoint->addWidget(label("LabelSetPointUnit", "%", setpointFields_));
  setpoint->addStretch(1);
  fields->addLayout(setpoint);
  layout->addWidget(setpointFields_);

  auto* values = new QGridLayout;
  values->setVerticalSpacing(2);
  const std::pair<const char*, const char*> rows[] = {{"Position :", "LabelPosValue"},
                                                      {"Deviation :", "LabelDevValue"},
                                                      {"Temp :", "LabelTempValue"},
                                                      {"Pressure :", "LabelPressValue"}};
  int r = 0;
  for (const auto& [caption, name] : rows) {
    values->addWidget(new QLabel(caption, column), r, 0);
    values->addWidget(label(name, "-", column), r++, 1);
  }
  values->addWidget(label("LabelExtraData", "ExtraData:", column), r, 0);
  values->addWidget(label("LabelExtraDataValue", "-", column), r, 1);
  values->setColumnStretch(1, 1);
  layout->addLayout(values);
  layout->addSpacing(6);

  auto* readSend = new QHBoxLayout;
  readSend->addWidget(button("ButtonControlRead", "Read", column));
  readSend->addWidget(button("ButtonControlSend", "Send", column));
  layout->addLayout(readSend);
  layout->addSpacing(6);
  layout->addWidget(button("Button6", "Send 0 %", column));
  layout->addWidget(button("Button7", "Send 50 %", column));
  layout->addWidget(button("Button8", "Send 100 %", column));
  layout->addSpacing(6);
  auto* steps = new QHBoxLayout;
  steps->addWidget(button("Button1", "Step +25%", column));
  steps->addWidget(button("Button5", "Step -25%", column));
  layout->addLayout(steps);
  auto* ramp = button("SpeedButton1", "Ramp", column);
  ramp->setCheckable(true);  // stays down until pressed again
  layout->addWidget(ramp);
  layout->addStretch(1);
  return column;
}

QWidget* ControlPage::buildGraphControls() {
  auto* controls = new QWidget(this);
  auto* layout = new QVBoxLayout(controls);
  layout->setContentsMargins(0, 2, 0, 0);
  layout->setSpacing(4);
  layout->addWidget(
      label("Label14", "Left-click and select graph area to zoom. Right-click graph to unzoom.", controls));

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(button("ButtonStartGraph", "Start graph", controls));
  buttons->addWidget(button("ButtonStopGraph", "Stop graph", controls));
  buttons->addSpacing(16);
  buttons->addWidget(button("Button3", "Save graph", controls));
  buttons->addWidget(button("Button4", "Load graph", controls));
  buttons->addWidget(label("Label13", "into set", controls));
  // Siblings of their own box, so that the two exclude each other.
  auto* sets = new QWidget(controls);
  auto* setsLayout = bareLayout<QHBoxLayout>(sets);
  auto* first = named(new QRadioButton("1", sets), "RadioButton1");
  first->setChecked(true);
  setsLayout->addWidget(first);
  setsLayout->addWidget(named(new QRadioButton("2", sets), "RadioButton2"));
  buttons->addWidget(sets);
  buttons->addStretch(1);
  layout->addLayout(buttons);

  auto* shows = new QHBoxLayout;
  using namespace graph_colour;
  shows->addWidget(showGroup("HART", colouredCheckBox(kShowLiveSetpoint, "Setpoint", kLiveSetpoint, controls),
                             colouredCheckBox(kShowLivePosition, "Position", kLivePosition, controls),
                             controls));
  const char* setTitles[2] = {"Loaded set 1", "Loaded set 2"};
  const char* setpointCaptions[2] = {"Setpoint 1", "Setpoint 2"};
  const char* positionCaptions[2] = {"Position 1", "Position 2"};
  for (int set = 0; set < 2; ++set) {
    shows->addWidget(showGroup(
        setTitles[set],
        colouredCheckBox(kShowLoadedSetpoint[set], setpointCaptions[set], kLoadedSetpoint[set], controls),
        colouredCheckBox(kShowLoadedPosition[set], positionCaptions[set], kLoadedPosition[set], controls),
        controls));
  }
  shows->addStretch(1);
  layout->addLayout(shows);
  return controls;
}

void ControlPage::connectHandlers() {
  FormState& form = core_.form;
  WindowState& window = core_.window;

  connect(findChild<RadioGroup*>(kSetpointSourceGroup), &RadioGroup::itemClicked, this, [this] {
    // Waiting once is enough: the job sends the source chosen when it runs.
    postPageJob(context_, "control source",
                [](const JobContext& job) { RadioGroupSetPointSourceClick(job, Sender::Click); });
  });
  validateFloatOnExit(findChild<QLineEdit*>(kSetpointEdit), form, window,
                      [this] { return setpointFieldBounds(core_.form, core_.live, core_.window); });

  const auto onClick = [this](const char* name, auto handler) {
    connect(findChild<QPushButton*>(name), &QPushButton::clicked, this, handler);
  };
  onClick("ButtonControlRead", [this] {
    postPageJob(context_, "control read",
                [](const JobContext& job) { ButtonControlReadClick(job, Sender::Click); });
  });
  onClick("ButtonControlSend", [this] {
    postSetpointJob("send", [](const JobContext& job) { ButtonControlSendClick(job, Sender::Click); });
  });
  const std::pair<const char*, double> fixedValues[] = {{"Button6", 0}, {"Button7", 50}, {"Button8", 100}};
  for (const auto& fixed : fixedValues) {
    onClick(fixed.first, [this, percent = fixed.second] {
      postSetpointJob("fixed", [percent](const JobContext& job) { sendFixedSetpoint(job, percent); });
    });
  }
  onClick("Button1", [this] {
    postSetpointJob("step", [](const JobContext& job) { stepSetpoint(job, SetpointStep::Up); });
  });
  onClick("Button5", [this] {
    postSetpointJob("step", [](const JobContext& job) { stepSetpoint(job, SetpointStep::Down); });
  });

  // Timer2 runs exactly while "Ramp" is down.
  connect(&form, &FormState::changed, this, [this](const QString& name) {
    if (name != "SpeedButton1") return;
    if (!core_.form.checked(name))
      Timer2_->stop();
    else if (!Timer2_->isActive())
      Timer2_->start();
  });
  connect(Timer2_, &QTimer::timeout, this,
          [this] { rampTick(core_.form, core_.live, core_.window, core_.commands); });

  onClick("ButtonStartGraph", [this] { startGraph(core_.live, core_.operations); });
  onClick("ButtonStopGraph", [this] { stopGraph(core_.live, core_.form, core_.operations); });
  onClick("Button3", [this] { Button3Click(); });
  onClick("Button4", [this] { Button4Click(); });
}

void ControlPage::postSetpointJob(const char* what, std::function<void(const JobContext&)> job) {
  postPageJob(context_, QStringLiteral("control setpoint %1 %2").arg(what).arg(++setpointJobs_),
              std::move(job));
}

void ControlPage::Button3Click() {
  QString filter;
  const QString name = QFileDialog::getSaveFileName(this, "Save graph",
                                                    graphSaveDialogStart(core_.window, paths_.graphsFolder()),
                                                    kGraphFileFilters, &filter);
  if (name.isEmpty()) return;
  saveGraph(name, textFilterChosen(filter), core_.live, core_.form, core_.window);
}

void ControlPage::Button4Click() {
  QString filter;
  const QString name = QFileDialog::getOpenFileName(
      this, "Load graph", graphOpenDialogFolder(core_.window, paths_.graphsFolder()), kGraphFileFilters,
      &filter);
  if (name.isEmpty()) return;
  loadGraph(name, textFilterChosen(filter), core_.live, core_.form);
}

QWidget* createControlPage(PageContext& context) { return new ControlPage(context); }

}  // namespace velk
