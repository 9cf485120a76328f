#include "diagnostics/trends_page.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <functional>

#include "comm/configurator.h"
#include "diagnostics/live_graph.h"
#include "diagnostics/logic/diagnostic_graphs.h"
#include "diagnostics/logic/graph_drawing.h"
#include "diagnostics/trends_operations.h"
#include "ui/form_binder.h"
#include "ui/page_busy.h"
#include "ui/page_context.h"
#include "ui/page_widgets.h"

namespace velk {

namespace {

const QColor kBarColour{255, 0, 0};

// Places within the group of charts, as the charts' scales need them: the
// value axes span 400 pixels from 5 pixels below their graph's top.
constexpr int kGraphTop = 40;
constexpr int kGraphHeight = 409;
constexpr int kValueAxisTop = 32;
constexpr int kValueAxisWidth = 25;
constexpr int kValueAxisHeight = 425;
constexpr int kIndexAxisTop = 449;
constexpr int kIndexAxisHeight = 25;
constexpr int kIndexAxisOverhang = 8;  // each side of its graph
constexpr int kTitleTop = 18;
constexpr int kGroupWidth = 770;
constexpr int kGroupHeight = 480;

struct ChartPlace {
  int left;
  int width;
};
constexpr ChartPlace kChartPlaces[] = {{40, 137}, {224, 161}, {432, 137}, {616, 137}};

// A trend's bar chart (PaintBox<chart>Graph): the grid and red bars from the
// values of the variable shown.
class TrendGraphBox : public QWidget {
 public:
  TrendGraphBox(const TrendChart& chart, std::function<std::vector<float>()> values, QWidget* parent)
      : QWidget(parent), chart_(chart), values_(std::move(values)) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    drawLines(painter, graphGridLines(width(), height()), graph_colour::kGrid);
    drawLines(painter, barChartLines(width(), values_(), chart_.barWidth, chart_.pixelsPerUnit), kBarColour);
  }

 private:
  const TrendChart& chart_;
  std::function<std::vector<float>()> values_;
};

template <typename Widget>
Widget* named(Widget* widget, const QString& name) {
  widget->setObjectName(name);
  return widget;
}

}  // namespace

TrendsPage::TrendsPage(PageContext& context, QWidget* parent) : QWidget(parent), core_(context.core) {
  auto* layout = new QVBoxLayout(this);

  auto* inputs = new QWidget(this);
  auto* row = bareLayout<QHBoxLayout>(inputs);
  row->addWidget(named(new QLabel("Select  variable :"), "Label128"));
  auto* selector = named(new QComboBox, kTrendVariableSelector);
  selector->setPlaceholderText(kTrendVariableSelector);  // what the box shows with nothing selected
  selector->setMinimumWidth(120);
  row->addWidget(selector);
  auto* upload = named(new QPushButton("Upload"), "ButtonTrendsUpload");
  row->addWidget(upload);
  row->addStretch(1);
  layout->addWidget(inputs);

  auto* group = new QGroupBox("Control precision trends", this);
  group->setFixedSize(kGroupWidth, kGroupHeight);
  charts_ = group;
  for (std::size_t c = 0; c < kTrendCharts.size(); ++c) {
    const TrendChart& chart = kTrendCharts[c];
    const ChartPlace& place = kChartPlaces[c];
    const QString name = chart.name;
    auto* title = new QLabel(name, group);
    title->move(place.left, kTitleTop);
    auto* graph = new TrendGraphBox(
        chart,
        [this, &chart] { return trendChartValues(core_.window.Diagnostics.trend(shownVariable_), chart); },
        group);
    graph->setObjectName("PaintBox" + name + "Graph");
    graph->setGeometry(place.left, kGraphTop, place.width, kGraphHeight);
    auto* valueAxis = new ValueAxisBox(ValueAxisGraph::Trend, graph, {}, group);
    valueAxis->setObjectName("PaintBox" + name + "Y");
    valueAxis->setGeometry(place.left - kValueAxisWidth, kValueAxisTop, kValueAxisWidth, kValueAxisHeight);
    const int labelStep = chart.labelStep;
    auto* indexAxis = new IndexAxisBox(
        graph, chart.barWidth / 2, [labelStep] { return labelStep; }, group);
    indexAxis->setObjectName("PaintBox" + name + "X");
    indexAxis->setGeometry(place.left - kIndexAxisOverhang, kIndexAxisTop,
                           place.width + 2 * kIndexAxisOverhang, kIndexAxisHeight);
  }
  layout->addWidget(group);
  layout->addStretch(1);

  context.binder.bindNamedChildren(inputs);
  connect(&core_.form, &FormState::changed, this, [this](const QString& name) {
    if (name == kTrendVariableSelector) refresh();
  });
  postOnClick(upload, context, "trends upload", &uploadTrends);
  // The charts show an upload once it is over.
  connect(&core_.activity, &PageActivity::changed, this, [this, page = context.page](const QString& changed) {
    if (changed == page && !core_.activity.busy(page)) refresh();
  });
  lockWhileBusy(inputs, context);
}

void TrendsPage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  refresh();
}

void TrendsPage::refresh() {
  const int selected = core_.form.selectedIndex(kTrendVariableSelector);
  if (selected < 0 || selected >= kTrendVariables) return;
  shownVariable_ = selected;
  charts_->update();
}

QWidget* createTrendsPage(PageContext& context) { return new TrendsPage(context); }

}  // namespace velk
