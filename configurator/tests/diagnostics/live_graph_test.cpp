// The live graph painted offscreen, zoomed by the mouse, and repainted when
// samples arrive.
#include "diagnostics/live_graph.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QSignalSpy>

#include "diagnostics/control_operations.h"
#include "model/live_data.h"
#include "support/core_fixture.h"

namespace velk {
namespace {

const QColor kUntouched = Qt::white;

class LiveGraphTest : public CoreTest {
 protected:
  LiveGraphTest() : panel_(core_.live, core_.form, core_.window) {
    applyControlPageDefaults(core_.form, core_.window);
  }

  LiveGraphBox* graph() { return panel_.graph(); }

  QImage paint() {
    QImage image(graph()->size(), QImage::Format_RGB32);
    image.fill(kUntouched);
    graph()->render(&image, {}, {}, QWidget::DrawChildren);  // no background: the page shows through
    return image;
  }

  // Rows of the default view: value v lies at y = 405 - 4 v.
  static int row(double value) { return static_cast<int>(405 - 4 * value); }

  void mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(at), graph()->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(graph(), &event);
  }
  void press(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    mouse(QEvent::MouseButtonPress, at, button, button);
  }
  void drag(QPoint to) { mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton); }
  void release(QPoint at) { mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton); }

  static void choose(QMenu* menu, const char* action) {
    ASSERT_TRUE(menu->isVisible());
    menu->findChild<QAction*>(action)->trigger();
    menu->hide();
  }

  LiveGraphPanel panel_;
};

TEST_F(LiveGraphTest, PaintsGridCurvesAndComparisonSetsInTheirColours) {
  const QPoint grid(15, 5), liveSetpoint(101, row(52)), livePosition(101, row(27)),
      loadedSetpoint(101, row(72)), loadedPosition(101, row(47)), empty(101, row(61));
  const QPoint curvePoints[] = {liveSetpoint, livePosition, loadedSetpoint, loadedPosition};

  QImage image = paint();
  EXPECT_EQ(image.pixelColor(grid), graph_colour::kGrid);
  for (QPoint at : curvePoints) EXPECT_EQ(image.pixelColor(at), kUntouched) << at.x() << "," << at.y();

  for (int i = 0; i < 300; ++i) core_.live.ring.append({52, 27});
  core_.live.graph.loadComparisonSet(0, std::vector<GraphSample>(169, {72, 47}));
  core_.form.setChecked(kShowLoadedSetpoint[0], true);
  core_.form.setChecked(kShowLoadedPosition[0], true);
  image = paint();
  EXPECT_EQ(image.pixelColor(liveSetpoint), graph_colour::kLiveSetpoint);
  EXPECT_EQ(image.pixelColor(livePosition), graph_colour::kLivePosition);
  EXPECT_EQ(image.pixelColor(loadedSetpoint), graph_colour::kLoadedSetpoint[0]);
  EXPECT_EQ(image.pixelColor(loadedPosition), graph_colour::kLoadedPosition[0]);
  EXPECT_EQ(image.pixelColor(empty), kUntouched);
  // The full ring spans the width: the newest sample ends at x = 168 * 3.
  EXPECT_EQ(image.pixelColor(503, row(52)), graph_colour::kLiveSetpoint);

  // Unchecked curves are not drawn.
  core_.form.setChecked(kShowLiveSetpoint, false);
  core_.form.setChecked(kShowLoadedPosition[0], false);
  image = paint();
  EXPECT_EQ(image.pixelColor(liveSetpoint), kUntouched);
  EXPECT_EQ(image.pixelColor(loadedPosition), kUntouched);
  EXPECT_EQ(image.pixelColor(101, row(50)), graph_colour::kGrid);
  EXPECT_EQ(image.pixelColor(livePosition), graph_colour::kLivePosition);
}

TEST_F(LiveGraphTest, ACellClickedAndZoomedMultipliesTheScalesThenZoomBackRestoresThem) {
  press({15, 12});
  EXPECT_EQ(paint().pixelColor(15, 5), graph_colour::kZoomFrame);  // the cell's top edge
  release({15, 12});
  choose(graph()->zoomMenu(), "Zoom1");

  const GraphView zoomed = core_.live.graph.view();
  EXPECT_FLOAT_EQ(zoomed.XScale, 3.0f * 55);
  EXPECT_FLOAT_EQ(zoomed.YScale, 4.0f * 44);
  EXPECT_EQ(zoomed.XOffset, 550);
  EXPECT_EQ(zoomed.YOffset, 390 * 44 + 400);
  EXPECT_FALSE(graph()->selection().ZoomSelecting);
  EXPECT_EQ(paint().pixelColor(15, 5), graph_colour::kGrid);

  press({200, 200}, Qt::RightButton);
  EXPECT_FALSE(graph()->selection().ZoomSelecting);
  choose(graph()->zoomBackMenu(), "ZoomBack1");
  EXPECT_EQ(core_.live.graph.view(), defaultGraphView(false));
}

TEST_F(LiveGraphTest, DraggingBeyondTheGraphHoldsTheFrameAtItsBorderAndCancelKeepsTheView) {
  press({15, 12});
  drag({600, 500});
  EXPECT_EQ(graph()->selection().ZoomRight, 500);
  EXPECT_EQ(graph()->selection().ZoomBottom, 410);
  release({600, 500});
  choose(graph()->zoomMenu(), "Cancel1");
  EXPECT_FALSE(graph()->selection().ZoomSelecting);
  EXPECT_EQ(core_.live.graph.view(), defaultGraphView(false));

  // Closing the menu without a choice cancels as well.
  press({15, 12});
  release({15, 12});
  ASSERT_TRUE(graph()->zoomMenu()->isVisible());
  graph()->zoomMenu()->hide();
  QCoreApplication::processEvents();
  EXPECT_FALSE(graph()->selection().ZoomSelecting);
  EXPECT_EQ(core_.live.graph.view(), defaultGraphView(false));
}

TEST_F(LiveGraphTest, StatusBarShowsSecondsAndValueUnderTheMouse) {
  mouse(QEvent::MouseMove, {30, 205}, Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(core_.form.text(kStatusBar), "X:5.00  Y:50.00");
  EXPECT_FALSE(graph()->selection().ZoomSelecting);
}

TEST_F(LiveGraphTest, ManySamplesBringOneRepaint) {
  QSignalSpy repaints(&core_.live.graph, &LiveGraphState::repaintDue);
  for (int i = 0; i < 100; ++i) core_.live.ring.append({1, 2});
  EXPECT_TRUE(core_.live.NewBurstData.load());
  ASSERT_TRUE(repaints.wait(5000));
  QCoreApplication::processEvents();
  EXPECT_EQ(repaints.count(), 1);
  EXPECT_FALSE(core_.live.NewBurstData.load());

  core_.live.graph.setView(defaultGraphView(true));  // DIAG 2's "4092 scale"
  ASSERT_TRUE(repaints.wait(5000));
  EXPECT_EQ(repaints.count(), 2);
}

}  // namespace
}  // namespace velk
