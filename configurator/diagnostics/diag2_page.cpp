#include "diagnostics/diag2_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "comm/configurator.h"
#include "diagnostics/diag2_operations.h"
#include "diagnostics/history_views.h"
#include "diagnostics/logic/baseline_figures.h"
#include "diagnostics/logic/baseline_overlay.h"
#include "diagnostics/live_graph.h"
#include "ui/form_binder.h"
#include "ui/page_busy.h"
#include "ui/page_context.h"
#include "ui/page_widgets.h"

namespace velk {

namespace {

// Within the group "Graph with Uploads": the value axis left of the graph,
// its 200-pixel span starting 5 pixels below the graph's top; the index axis
// below, its first tick at the graph's left edge.
constexpr QRect kValueAxisPlace{0, 0, 25, 281};
constexpr QRect kGraphPlace{25, 8, 545, 265};
constexpr QRect kIndexAxisPlace{17, 273, 561, 25};

template <typename Widget>
Widget* named(Widget* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

QPushButton* button(const char* name, const char* caption) { return named(new QPushButton(caption), name); }

QComboBox* selector(const char* name, int width = 130) {
  auto* combo = named(new QComboBox, name);
  combo->setPlaceholderText(name);  // what the box shows with nothing selected
  combo->setFixedWidth(width);
  return combo;
}

QGroupBox* createBurstGroup() {
  auto* group = new QGroupBox("Burst");
  auto* layout = new QVBoxLayout(group);
  layout->setSpacing(2);
  layout->addWidget(new QLabel("Mode :"));
  const char* captions[] = {"Position", "Setpoint", "4 dynamic vars"};
  for (std::size_t i = 0; i < kBurstBoxes.size(); ++i)
    layout->addWidget(named(new QCheckBox(captions[i]), kBurstBoxes[i]));
  return group;
}

QWidget* createAssignment() {
  auto* box = new QWidget;
  auto* grid = bareLayout<QGridLayout>(box);
  grid->setVerticalSpacing(2);
  const char* selectors[] = {"ComboBox3", "ComboBox4", "ComboBox5", "ComboBox6"};
  for (int i = 0; i < 4; ++i) {
    grid->addWidget(new QLabel(QString("Dynamic variable %1 :").arg(i + 1)), 2 * i, 0);
    grid->addWidget(selector(selectors[i]), 2 * i + 1, 0);
  }
  grid->addWidget(button("Button47", "Configure"), 8, 0, Qt::AlignLeft);
  return box;
}

QWidget* createGraphButtons() {
  auto* box = new QWidget;
  auto* grid = bareLayout<QGridLayout>(box);
  grid->addWidget(new QLabel("Graph config :"), 0, 0, 1, 2);
  grid->addWidget(button("Button48", "100% scale"), 1, 0);
  grid->addWidget(button("Button49", "4092 scale"), 1, 1);
  grid->addWidget(button("Button54", "Two curves"), 2, 0);
  grid->addWidget(button("Button51", "Multicurves"), 2, 1);
  return box;
}

// Online signatures: laid out, no behaviour.
QGroupBox* createSignatureGroup() {
  auto* group = new QGroupBox("Online Signatures (limiting may be applied)");
  auto* grid = new QGridLayout(group);
  grid->setVerticalSpacing(2);
  const std::pair<const char*, const char*> kinds[] = {
      {"ButtonPlusStep", "+ Step"},  {"ButtonPlusRamp", "+ Ramp"},  {"ButtonPlusHalfsine", "+ Halfsine"},
      {"ButtonMinusStep", "- Step"}, {"ButtonMinusRamp", "- Ramp"}, {"ButtonMinusHalfsine", "- Halfsine"}};
  for (int i = 0; i < 6; ++i) grid->addWidget(button(kinds[i].first, kinds[i].second), i / 3, i % 3);
  const std::tuple<const char*, const char*, const char*> fields[] = {
      {"Amplitude :", "EditSignatureAmplitude", "%"},
      {"Rate :", "EditSignatureRate", "%/s"},
      {"Time :", "EditSignatureTime", "s"},
      {"Setpoint :", "EditSignatureSetpoint", "%"}};
  int column = 3;
  for (const auto& [caption, name, unit] : fields) {
    grid->addWidget(new QLabel(caption), 0, column);
    auto* field = named(new QLineEdit, name);
    field->setFixedWidth(48);
    auto* withItsUnit = new QHBoxLayout;
    withItsUnit->addWidget(field);
    withItsUnit->addWidget(new QLabel(unit));
    grid->addLayout(withItsUnit, 1, column++);
  }
  grid->addWidget(button("ButtonSaveAndLoad", "Save/Load ..."), 0, column);
  grid->addWidget(named(new QCheckBox("X-Y"), "CheckBoxXY"), 1, column);
  grid->setColumnStretch(column + 1, 1);
  return group;
}

}  // namespace

Diag2GraphBox::Diag2GraphBox(Configurator& core, QWidget* parent)
    : QWidget(parent), core_(core), baselines_(core.form, core.window) {
  connect(&baselines_, &Diag2Baselines::changed, this, [this] { update(); });
}

void Diag2GraphBox::setFiguresLabel(QLabel* label) { figures_ = label; }

void Diag2GraphBox::showFigures(const QString& text) {
  if (figures_ && figures_->text() != text) figures_->setText(text);
}

void Diag2GraphBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const Diag2Graph graph = selectedDiag2Graph(core_.form);
  if (graph == Diag2Graph::Normal) {
    const Diag2Picture picture = normalGraphPicture(core_.live.ring.snapshot(), width(), height());
    drawLines(painter, picture.grid, graph_colour::kGrid);
    drawLines(painter, picture.setpoint, graph_colour::kLiveSetpoint);
    drawLines(painter, picture.curve, graph_colour::kLivePosition);
  }
  const std::optional<HistoryValues> now = uploadedValues(core_.window, graph);
  if (!now) {
    showFigures({});
    return;
  }
  baselines_.want(graph);
  const std::optional<ShownReference> reference = shownReference(core_.window, graph);
  const HistoryValues* compared = reference ? &reference->values : nullptr;
  painter.setFont(axisFont(painter.font()));
  // A failed block's points keep what the last upload drew there; its
  // figures are none.
  drawDataSetOverReference(painter, QRectF(0, 0, kDiag2GraphWidth, kDiag2GraphHeight),
                           *uploadedValues(core_.window, graph, false), compared,
                           reference ? reference->name : QString());
  const QString word = reference && !reference->baseline ? "Record" : "Baseline";
  showFigures(baselineFigureLines(baselineFigures(*now, compared), word).join("\n"));
}

QWidget* createDiag2Page(PageContext& context) {
  Configurator& core = context.core;
  auto* page = new QWidget;
  auto* layout = new QGridLayout(page);

  // What "Configure" sends waits for its job, and so does the upload's choice.
  auto* settings = new QWidget(page);
  auto* column = bareLayout<QVBoxLayout>(settings);
  column->addWidget(createBurstGroup());
  column->addWidget(createAssignment());
  column->addSpacing(8);
  column->addWidget(createGraphButtons());
  column->addStretch(1);
  layout->addWidget(settings, 0, 0);

  auto* graphGroup = new QGroupBox("Graph with Uploads", page);
  auto* graphLayout = new QVBoxLayout(graphGroup);
  auto* boxes = new QWidget(graphGroup);
  boxes->setFixedSize(kIndexAxisPlace.right() + 1, kIndexAxisPlace.bottom() + 1);
  auto* graph = new Diag2GraphBox(core, boxes);
  graph->setObjectName("PaintBox4");
  graph->setGeometry(kGraphPlace);
  auto* valueAxis = new ValueAxisBox(ValueAxisGraph::Diag2, graph, {}, boxes);
  valueAxis->setObjectName("PaintBox5");
  valueAxis->setGeometry(kValueAxisPlace);
  auto* indexAxis = new IndexAxisBox(
      graph, 0, [&core] { return diag2AxisLabelStep(selectedDiag2Graph(core.form)); }, boxes);
  indexAxis->setObjectName("PaintBox6");
  indexAxis->setGeometry(kIndexAxisPlace);
  // The figures beside the graph.
  auto* graphRow = new QHBoxLayout;
  graphRow->addWidget(boxes);
  auto* figures = new QLabel(graphGroup);
  figures->setObjectName("Diag2Figures");
  figures->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  figures->setMinimumWidth(190);
  figures->setTextInteractionFlags(Qt::TextSelectableByMouse);
  graph->setFiguresLabel(figures);
  graphRow->addWidget(figures, 1);
  graphLayout->addLayout(graphRow);
  auto* uploadRow = new QWidget(graphGroup);
  auto* uploadLayout = bareLayout<QHBoxLayout>(uploadRow);
  uploadLayout->addWidget(selector(kGraphTypeSelector, 170));
  auto* upload = button("Button37", "Upload");
  uploadLayout->addWidget(upload);
  uploadLayout->addStretch(1);
  graphLayout->addWidget(uploadRow);
  layout->addWidget(graphGroup, 0, 1, Qt::AlignTop | Qt::AlignLeft);
  layout->addWidget(createSignatureGroup(), 1, 0, 1, 2);
  layout->setRowStretch(2, 1);
  layout->setColumnStretch(2, 1);

  context.binder.bindNamedChildren(page);

  for (const char* name : kBurstBoxes) {
    auto* box = page->findChild<QCheckBox*>(name);
    QObject::connect(box, &QCheckBox::clicked, box, [&form = core.form, name](bool checked) {
      form.setChecked(name, checked);
      burstBoxClicked(form, name);
    });
  }
  const auto onClick = [page](const char* name, auto handler) {
    auto* button = page->findChild<QPushButton*>(name);
    QObject::connect(button, &QPushButton::clicked, button, handler);
  };
  onClick("Button47", [context] { postPageJob(context, "diag2 configure", &Button47Click); });
  onClick("Button48", [&core] { setLiveGraphScale(core.live, false); });
  onClick("Button49", [&core] { setLiveGraphScale(core.live, true); });
  onClick("Button54", [&core] { core.window.Diagnostics.CurveCount.store(2); });
  onClick("Button51", [&core] { core.window.Diagnostics.CurveCount.store(4); });
  postOnClick(upload, context, "diag2 upload", &uploadDiag2Data);

  // A new type, an upload and (for "Normal graph") every new burst sample redraw the graph.
  QObject::connect(&core.form, &FormState::changed, boxes, [boxes](const QString& name) {
    if (name == kGraphTypeSelector) boxes->update();
  });
  repaintWhenIdle(boxes, context);
  QObject::connect(&core.live.graph, &LiveGraphState::repaintDue, graph, [graph, &core] {
    if (selectedDiag2Graph(core.form) == Diag2Graph::Normal) graph->update();
  });

  lockWhileBusy(settings, context);
  lockWhileBusy(uploadRow, context);
  return page;
}

}  // namespace velk
