#include "diagnostics/live_graph.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include "diagnostics/control_operations.h"
#include "diagnostics/logic/diagnostic_graphs.h"
#include "diagnostics/logic/graph_drawing.h"
#include "model/form_state.h"
#include "model/live_data.h"
#include "model/window_operations.h"
#include "ui/field_validation.h"

namespace velk {

namespace {

// Where the three boxes lie relative to the value axis's top-left corner.
constexpr QRect kValueAxisPlace{0, 0, 40, 419};
constexpr QRect kGraphPlace{40, 5, kLiveGraphWidth, kLiveGraphHeight};
constexpr QRect kTimeAxisPlace{29, 413, 526, 23};

// The axis layout counts 6 pixels a digit and puts a one-pixel decimal point
// between the whole part and the tenth: digits must leave a pixel free on
// either side. The system font is usually wider than that at 8 points.
constexpr int kAxisDigitWidth = 5;
constexpr int kAxisFontPointSize = 8;
constexpr int kSmallestAxisFontPixels = 7;
// The layout gives the top of each text's cell; its baseline lies this far
// below, level with the decimal points it draws as lines.
constexpr int kAxisTextBaseline = 11;

// One pixel wide on the grid lines, right and bottom exclusive.
void drawFrame(QPainter& painter, const PixelRect& f, const QColor& colour) {
  drawLines(painter,
            {{f.left, f.top, f.right, f.top},
             {f.left, f.bottom - 1, f.right, f.bottom - 1},
             {f.left, f.top, f.left, f.bottom},
             {f.right - 1, f.top, f.right - 1, f.bottom}},
            colour);
}

bool isShowBox(const QString& name) {
  if (name == kShowLiveSetpoint || name == kShowLivePosition) return true;
  for (int set = 0; set < 2; ++set)
    if (name == kShowLoadedSetpoint[set] || name == kShowLoadedPosition[set]) return true;
  return false;
}

}  // namespace

QFont axisFont(QFont font) {
  font.setPointSize(kAxisFontPointSize);
  for (int pixels = QFontMetrics(font).height(); pixels > kSmallestAxisFontPixels; --pixels) {
    if (QFontMetrics(font).horizontalAdvance(QLatin1Char('0')) <= kAxisDigitWidth) break;
    font.setPixelSize(pixels - 1);
  }
  return font;
}

void drawLines(QPainter& painter, const std::vector<PixelLine>& lines, const QColor& colour) {
  painter.setPen(QPen(colour, 0, Qt::SolidLine, Qt::FlatCap));
  for (const PixelLine& line : lines) painter.drawLine(line.x1, line.y1, line.x2, line.y2);
}

void drawTexts(QPainter& painter, const std::vector<AxisText>& texts) {
  painter.setFont(axisFont(painter.font()));
  for (const AxisText& text : texts)
    painter.drawText(QPoint(text.left, text.top + kAxisTextBaseline), QString::fromStdString(text.text));
}

void drawAxis(QPainter& painter, const AxisDrawing& drawing) {
  drawLines(painter, drawing.lines, Qt::black);
  drawTexts(painter, drawing.texts);
}

BoxGeometry boxGeometry(const QWidget* box) {
  const QPoint topLeft = box->mapTo(box->window(), QPoint(0, 0));
  return {topLeft.x(), topLeft.y(), box->width(), box->height()};
}

void DrawValueAxis(QPainter& painter, ValueAxisGraph kind, const GraphView& view, const BoxGeometry& axis,
                   const BoxGeometry& graph) {
  drawAxis(painter, layOutValueAxis(kind, view, axis, graph));
}

ValueAxisBox::ValueAxisBox(ValueAxisGraph kind, const QWidget* graph, std::function<GraphView()> view,
                           QWidget* parent)
    : QWidget(parent), kind_(kind), graph_(graph), view_(std::move(view)) {}

void ValueAxisBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  DrawValueAxis(painter, kind_, view_ ? view_() : GraphView{}, boxGeometry(this), boxGeometry(graph_));
}

IndexAxisBox::IndexAxisBox(const QWidget* graph, int tickOffset, std::function<int()> labelStep,
                           QWidget* parent)
    : QWidget(parent), graph_(graph), tickOffset_(tickOffset), labelStep_(std::move(labelStep)) {}

void IndexAxisBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const BoxGeometry axis = boxGeometry(this);
  const BoxGeometry graph = boxGeometry(graph_);
  const int origin = graph.left - axis.left;
  drawAxis(painter, layOutIndexAxis(origin, origin + tickOffset_, graph.width, labelStep_()));
}

TimeAxisBox::TimeAxisBox(const QWidget* graph, std::function<GraphView()> view, QWidget* parent)
    : QWidget(parent), graph_(graph), view_(std::move(view)) {}

void TimeAxisBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  drawAxis(painter, layOutTimeAxis(view_(), boxGeometry(this), boxGeometry(graph_)));
}

LiveGraphBox::LiveGraphBox(LiveData& live, FormState& form, const WindowState& window, QWidget* parent)
    : QWidget(parent),
      live_(live),
      form_(form),
      window_(window),
      zoomMenu_(new QMenu(this)),
      zoomBackMenu_(new QMenu(this)) {
  setMouseTracking(true);  // the coordinates follow the mouse without a button held

  zoomMenu_->setObjectName("PopupMenu2");
  QAction* zoom = zoomMenu_->addAction("Zoom", this, &LiveGraphBox::OnZoom);
  zoom->setObjectName("Zoom1");
  QAction* cancel = zoomMenu_->addAction("Cancel", this, &LiveGraphBox::Cancel1Click);
  cancel->setObjectName("Cancel1");
  // A menu closed without a choice leaves the view as it was, like "Cancel".
  connect(zoomMenu_, &QMenu::aboutToHide, this, [this] {
    QTimer::singleShot(0, this, [this] {
      if (selection_.ZoomSelecting && !zoomMenu_->isVisible()) Cancel1Click();
    });
  });

  zoomBackMenu_->setObjectName("PopupMenu1");
  QAction* zoomBack = zoomBackMenu_->addAction("Zoom Back", this, &LiveGraphBox::OnZoomBack);
  zoomBack->setObjectName("ZoomBack1");

  connect(&form_, &FormState::changed, this, [this](const QString& name) {
    if (isShowBox(name)) update();
  });
}

void LiveGraphBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const GraphView view = live_.graph.view();
  const GraphRingSnapshot ring = live_.ring.snapshot();

  drawLines(painter, graphGridLines(width(), height()), graph_colour::kGrid);
  if (form_.checked(kShowLiveSetpoint))
    drawLines(painter, liveCurveLines(ring, view, width(), GraphCurve::Setpoint),
              graph_colour::kLiveSetpoint);
  if (form_.checked(kShowLivePosition))
    drawLines(painter, liveCurveLines(ring, view, width(), GraphCurve::Position),
              graph_colour::kLivePosition);

  const auto sets = live_.graph.comparisonSets();
  const ComparisonRange range = comparisonRange(sets, view, width());
  for (int set = 0; set < 2; ++set) {
    if (form_.checked(kShowLoadedSetpoint[set]))
      drawLines(painter, comparisonCurveLines(sets[set], GraphCurve::Setpoint, range, view),
                graph_colour::kLoadedSetpoint[set]);
    if (form_.checked(kShowLoadedPosition[set]))
      drawLines(painter, comparisonCurveLines(sets[set], GraphCurve::Position, range, view),
                graph_colour::kLoadedPosition[set]);
  }

  if (selection_.ZoomSelecting) drawFrame(painter, zoomFrame(selection_), graph_colour::kZoomFrame);
}

void LiveGraphBox::mousePressEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (event->button() == Qt::LeftButton) {
    startZoomSelection(selection_, at.x(), at.y());
    update();
  } else if (event->button() == Qt::RightButton) {
    zoomBackMenu_->popup(event->globalPosition().toPoint());
  }
}

void LiveGraphBox::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  form_.setText(kStatusBar, QString::fromStdString(graphCoordinateText(at.x(), at.y(), live_.graph.view(),
                                                                       decimalSeparator(window_))));
  if (!(event->buttons() & Qt::LeftButton)) return;
  dragZoomSelection(selection_, at.x(), at.y(), width(), height());
  update();
}

void LiveGraphBox::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !zoomMenuWanted(selection_)) return;
  zoomMenu_->popup(event->globalPosition().toPoint());
}

void LiveGraphBox::OnZoom() {
  selection_.ZoomSelecting = false;
  live_.graph.setView(zoomedView(live_.graph.view(), selection_));
  update();
}

void LiveGraphBox::Cancel1Click() {
  selection_.ZoomSelecting = false;
  update();
}

void LiveGraphBox::OnZoomBack() { live_.graph.setView(ZoomBack(live_.graph.view())); }

LiveGraphPanel::LiveGraphPanel(LiveData& live, FormState& form, const WindowState& window, QWidget* parent)
    : QWidget(parent), graph_(new LiveGraphBox(live, form, window, this)) {
  graph_->setObjectName("PaintBox3");
  graph_->setGeometry(kGraphPlace);
  const auto view = [&live] { return live.graph.view(); };
  auto* valueAxis = new ValueAxisBox(ValueAxisGraph::Live, graph_, view, this);
  valueAxis->setObjectName("PaintBox2");
  valueAxis->setGeometry(kValueAxisPlace);
  auto* timeAxis = new TimeAxisBox(graph_, view, this);
  timeAxis->setObjectName("PaintBox1");
  timeAxis->setGeometry(kTimeAxisPlace);
  setFixedSize(kTimeAxisPlace.right() + 1, kTimeAxisPlace.bottom() + 1);

  connect(&live.graph, &LiveGraphState::repaintDue, this, [this, valueAxis, timeAxis] {
    graph_->update();
    valueAxis->update();
    timeAxis->update();
  });
}

}  // namespace velk
