#include "pages/calibrate_page.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "comm/configurator.h"
#include "pages/calibrate_operations.h"
#include "pages/calibration_sequence.h"
#include "ui/field_validation.h"
#include "ui/form_binder.h"
#include "ui/page_busy.h"
#include "ui/page_context.h"
#include "ui/page_widgets.h"

namespace velk {

namespace {

constexpr int kStatusLabelWidth = 260;

QLabel* createStatusLabel(const char* name) {
  auto* label = new QLabel;
  label->setObjectName(name);
  label->setWordWrap(true);  // the pot failure text takes two lines
  label->setMinimumWidth(kStatusLabelWidth);
  return label;
}

// What the running calibration shows: the three stages and the tuned PID.
// Outside the busy lock, so a running calibration never greys them.
QWidget* createProgressGroups() {
  auto* groups = new QWidget;
  auto* column = bareLayout<QVBoxLayout>(groups);

  auto* status = new QGroupBox("Calibration status");
  status->setObjectName("GroupBoxCalStatus");
  QFormLayout* stages = createForm(status);
  stages->addRow("Travel :", createStatusLabel("LabelCalTravelStatus"));
  stages->addRow("Leak :", createStatusLabel("LabelCalLeakStatus"));
  stages->addRow("Tune :", createStatusLabel("LabelCalTuneStatus"));
  column->addWidget(status);

  auto* pid = new QGroupBox("PID");
  QFormLayout* values = createForm(pid);
  values->addRow(createUnitLabel("", "LabelCalPIDUpdated"));
  values->addRow("P :", createUnitLabel("", "LabelCalPValue"));
  values->addRow("I :", createUnitLabel("", "LabelCalIValue"));
  values->addRow("D :", createUnitLabel("", "LabelCalDValue"));
  column->addWidget(pid);
  column->addStretch(1);
  return groups;
}

QGroupBox* createCurrentGroup() {
  auto* group = new QGroupBox("Current");
  auto* grid = new QGridLayout(group);
  grid->addWidget(withUnit(createNumberEdit("EditCalCurrentLow"), "mA"), 0, 0);
  grid->addWidget(createPageButton("ButtonCalCurrentLow", "Low"), 0, 1);
  grid->addWidget(withUnit(createNumberEdit("EditCalCurrentHigh"), "mA"), 1, 0);
  grid->addWidget(createPageButton("ButtonCalCurrentHigh", "High"), 1, 1);
  grid->setColumnStretch(2, 1);
  return group;
}

QGroupBox* createTemperatureGroup() {
  auto* group = new QGroupBox("Temp");
  auto* row = new QHBoxLayout(group);
  row->addWidget(withUnit(createNumberEdit("EditCalTemp"), createUnitLabel("C", "LabelCalTempUnit")));
  row->addWidget(createPageButton("ButtonCalTemp", "Temp"));
  row->addStretch(1);
  return group;
}

// Three sensors, a low and a high point each; the low points are always 0 kPa.
QGroupBox* createPressureGroup() {
  struct Row {
    const char* caption;
    const char* lowEdit;
    const char* lowButton;
    const char* highEdit;
    const char* highButton;
  };
  constexpr Row kRows[] = {{"Supply :", "Edit1", "Button17", "Edit2", "Button18"},
                           {"C+ :", "Edit3", "Button19", "Edit170", "Button44"},
                           {"C- :", "Edit171", "Button45", "Edit172", "Button46"}};
  auto* group = new QGroupBox("Pressure");
  auto* grid = new QGridLayout(group);
  grid->addWidget(new QLabel("kPa"), 0, 1);
  for (int i = 0; i < 3; ++i) {
    const Row& row = kRows[i];
    auto* low = createNumberEdit(row.lowEdit);
    low->setReadOnly(true);
    grid->addWidget(new QLabel(row.caption), i + 1, 0);
    grid->addWidget(low, i + 1, 1);
    grid->addWidget(createPageButton(row.lowButton, "Low"), i + 1, 2);
    grid->addWidget(createNumberEdit(row.highEdit), i + 1, 3);
    grid->addWidget(createPageButton(row.highButton, "High"), i + 1, 4);
  }
  return group;
}

}  // namespace

QWidget* createCalibratePage(PageContext& context) {
  Configurator& core = context.core;
  auto* page = new QWidget;

  // The start of a calibration is locked while the page is busy; "Abort Cal"
  // beside it is not: it must reach the running calibration.
  auto* start = new QWidget;
  auto* startRow = bareLayout<QHBoxLayout>(start);
  startRow->addWidget(createComboBox("ComboBoxCalType"));
  auto* calibrate = createPageButton("ButtonCalibrate", "Calibrate device");
  calibrate->setMinimumWidth(calibrate->sizeHint().width());
  startRow->addWidget(calibrate);
  auto* abort = createPageButton("ButtonAbortCalibrate", "Abort Cal");
  auto* automatic = new QGroupBox("Automatic calibration");
  auto* automaticRow = new QHBoxLayout(automatic);
  automaticRow->addWidget(start);
  automaticRow->addWidget(abort);
  automaticRow->addStretch(1);

  auto* singlePoints = new QWidget;
  auto* pointColumn = bareLayout<QVBoxLayout>(singlePoints);
  pointColumn->addWidget(createCurrentGroup());
  pointColumn->addWidget(createTemperatureGroup());
  pointColumn->addWidget(createPressureGroup());
  pointColumn->addStretch(1);

  auto* grid = new QGridLayout(page);
  grid->addWidget(automatic, 0, 0);
  grid->addWidget(createProgressGroups(), 1, 0);
  grid->addWidget(singlePoints, 0, 1, 2, 1);
  grid->setRowStretch(1, 1);
  grid->setColumnStretch(2, 1);

  context.binder.bindNamedChildren(page);
  context.binder.bindNamedChildren(child<QGroupBox>(page, "GroupBoxCalStatus"));
  FormState& form = core.form;
  for (const char* field : calibrateCheckedFields())
    validateFloatOnExit(child<QLineEdit>(page, field), form, core.window,
                        [&form, name = QString(field)] { return calibrateFieldBounds(form, name); });
  validateComboOnChange(child<QComboBox>(page, "ComboBoxCalType"), form, 0);

  PageBusyLock* startLock = lockWhileBusy(start, context);
  lockWhileBusy(singlePoints, context);
  QObject::connect(calibrate, &QPushButton::clicked, page, startLock->whenIdle([context] {
    postPageJob(context, kCalibrationJob, ButtonCalibrateClick(context.core));
  }));
  QObject::connect(abort, &QPushButton::clicked, page,
                   [&window = core.window] { ButtonAbortCalibrateClick(window); });
  for (const CalibrationPoint& point : calibrationPoints()) {
    QObject::connect(child<QPushButton>(page, point.button), &QPushButton::clicked, page,
                     [context, button = QString(point.button)] {
                       postPageJob(context, button,
                                   [button](const JobContext& job) { sendCalibrationPoint(job, button); });
                     });
  }
  return page;
}

}  // namespace velk
