#pragma once
// The CONTROL page's live graph (PaintBox3) with its value axis (PaintBox2,
// left) and time axis (PaintBox1, below), and the value axis that the DIAG 2
// and TRENDS graphs share. The pictures are laid out by the graph logic
// (grid, curves, axes, zoom); these widgets only draw the lines and texts it
// returns, from the data each time they paint.

#include <QColor>
#include <QWidget>
#include <functional>
#include <vector>

#include "diagnostics/logic/graph_axes.h"
#include "model/graph_view.h"

class QMenu;
class QPainter;

namespace velk {

class FormState;
class LiveData;
struct WindowState;

namespace graph_colour {
inline const QColor kGrid{255, 255, 0};
inline const QColor kLiveSetpoint{0, 128, 128};
inline const QColor kLivePosition{0, 0, 255};
inline const QColor kLoadedSetpoint[2] = {{128, 128, 0}, {0, 255, 0}};
inline const QColor kLoadedPosition[2] = {{128, 128, 128}, {0, 255, 255}};
inline const QColor kZoomFrame{128, 0, 128};
}  // namespace graph_colour

// One-pixel lines that leave their end point out, so that a polyline drawn
// segment by segment sets each joint once and a decimal point drawn from x to
// x + 1 is one pixel.
void drawLines(QPainter& painter, const std::vector<PixelLine>& lines, const QColor& colour);

// An axis's lines in black and its texts in the axes' small font. Also the
// font the graphs' point marks ("*") are drawn in.
void drawAxis(QPainter& painter, const AxisDrawing& drawing);
QFont axisFont(QFont font);
// Texts laid out by their top-left corner.
void drawTexts(QPainter& painter, const std::vector<AxisText>& texts);

// Where a paint box sits on its window: the axes line up with their graph by it.
BoxGeometry boxGeometry(const QWidget* box);

// Draws the value axis `axis` beside the graph `graph` with `painter` on the axis.
void DrawValueAxis(QPainter& painter, ValueAxisGraph kind, const GraphView& view, const BoxGeometry& axis,
                   const BoxGeometry& graph);

// A value axis paint box (PaintBox2 beside the live graph, PaintBox5 beside
// DIAG 2's). `view` gives the live graph's view; other graphs need none.
class ValueAxisBox : public QWidget {
 public:
  ValueAxisBox(ValueAxisGraph kind, const QWidget* graph, std::function<GraphView()> view = {},
               QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  ValueAxisGraph kind_;
  const QWidget* graph_;
  std::function<GraphView()> view_;
};

// An index axis below a graph (TRENDS and DIAG 2): a tick every 20 pixels,
// the first `tickOffset` pixels right of the graph's left edge, labelled 0,
// step, 2 step, ...
class IndexAxisBox : public QWidget {
 public:
  IndexAxisBox(const QWidget* graph, int tickOffset, std::function<int()> labelStep,
               QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const QWidget* graph_;
  int tickOffset_;
  std::function<int()> labelStep_;
};

// The live graph's time axis (PaintBox1).
class TimeAxisBox : public QWidget {
 public:
  TimeAxisBox(const QWidget* graph, std::function<GraphView()> view, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const QWidget* graph_;
  std::function<GraphView()> view_;
};

// The live graph (PaintBox3): grid, live curves, comparison sets, and zoom by
// mouse. A left-button drag picks a frame on the grid, "Zoom" (PopupMenu2)
// fills the view with it, and the right button offers "Zoom Back"
// (PopupMenu1). While the mouse moves the status bar shows its coordinates.
class LiveGraphBox : public QWidget {
 public:
  LiveGraphBox(LiveData& live, FormState& form, const WindowState& window, QWidget* parent = nullptr);

  const ZoomSelection& selection() const { return selection_; }
  QMenu* zoomMenu() const { return zoomMenu_; }          // "Zoom", "Cancel"
  QMenu* zoomBackMenu() const { return zoomBackMenu_; }  // "Zoom Back"

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void OnZoom();
  void Cancel1Click();
  void OnZoomBack();

  LiveData& live_;
  FormState& form_;
  const WindowState& window_;
  ZoomSelection selection_;
  QMenu* zoomMenu_;
  QMenu* zoomBackMenu_;
};

// The graph with its two axes at their places; all three repaint when the
// graph has something new to show.
class LiveGraphPanel : public QWidget {
 public:
  LiveGraphPanel(LiveData& live, FormState& form, const WindowState& window, QWidget* parent = nullptr);

  LiveGraphBox* graph() const { return graph_; }

 private:
  LiveGraphBox* graph_;
};

}  // namespace velk
