// View state of the live graph: scales and offsets, where a sample lands in
// pixels, and zooming into a rectangle picked with the mouse on the 10-pixel
// grid.
#pragma once

#include <string>

namespace velk {

struct PixelLine {
  int x1, y1, x2, y2;
  friend bool operator==(const PixelLine&, const PixelLine&) = default;
};

// Right and bottom are exclusive.
struct PixelRect {
  int left, top, right, bottom;
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

inline constexpr float kDefaultXScale = 3.0f;           // pixels per sample
inline constexpr float kDefaultYScale = 4.0f;           // pixels per percent
inline constexpr float k4092YScale = 400.0f / 4100.0f;  // 4100 counts fill 400 pixels
inline constexpr int kDefaultYOffset = 400;
inline constexpr int kGridCell = 10;      // pixels between grid lines
inline constexpr int kGridRowOffset = 5;  // grid rows lie at y = 5, 15, 25, ...

// Zooming stops where a pixel would stand for less than 1/100000 of a sample
// or of a unit: no single-precision value resolves more, and the offsets stay
// well inside integer range.
inline constexpr double kMaxGraphScale = 1e5;

struct GraphView {
  float XScale = kDefaultXScale;  // pixels per sample
  float YScale = kDefaultYScale;  // pixels per unit of value
  int XOffset = 0;                // horizontal scroll, in pixels of the current scale
  int YOffset = kDefaultYOffset;  // pixel row (less 5) of the value 0
  bool Scale4092 = false;         // vertical scale for raw counts

  friend bool operator==(const GraphView&, const GraphView&) = default;
};

// Truncation towards zero, held within int range; not-a-number gives 0.
int truncSaturated(double value);

// The unzoomed view, for "100% scale" (false), "4092 scale" (true) and Zoom Back.
GraphView defaultGraphView(bool scale4092);

// Zoom Back: the unzoomed view in the current vertical scale mode.
GraphView ZoomBack(const GraphView& view);

// Pixel column of the sample at visible position `i`, and pixel row of value
// `v`, truncated towards zero. Far-off positions are held at +-1000000 pixels,
// where any painter clips them; not-a-number gives 0.
int sampleX(double i, const GraphView& view);
int valueY(double v, const GraphView& view);

// Status-bar text for the mouse at graph pixel (x, y): seconds and value,
// "X:12.50  Y:45.30".
std::string graphCoordinateText(int x, int y, const GraphView& view, char decimalSeparator);

// The mouse selection. Edges are multiples of 10; rows are counted without
// the grid's 5-pixel offset.
struct ZoomSelection {
  bool ZoomSelecting = false;  // a frame is drawn or waits for the Zoom/Cancel menu
  int ZoomAnchorX = 0, ZoomAnchorY = 0;
  int ZoomMouseX = 0, ZoomMouseY = 0;
  int ZoomLeft = 0, ZoomRight = 0, ZoomTop = 0, ZoomBottom = 0;
};

// Left button down at graph pixel (x, y): the frame starts as the grid cell
// under the pointer.
void startZoomSelection(ZoomSelection& selection, int x, int y);

// Mouse moved to (x, y) with the left button held on a graph of the given
// size: the moving edges snap outwards to the grid, the frame flips around
// the anchor's cell when the pointer crosses it, and a pointer outside the
// graph holds the frame at its border.
void dragZoomSelection(ZoomSelection& selection, int x, int y, int graphWidth, int graphHeight);

// The frame to draw: on grid lines, right and bottom exclusive.
PixelRect zoomFrame(const ZoomSelection& selection);

// Whether releasing the button opens the Zoom/Cancel menu (the frame has width and height).
bool zoomMenuWanted(const ZoomSelection& selection);

// The view after "Zoom": the selected width is stretched to 550 pixels and its
// height to 440, its left edge becomes the view's left edge. A selection
// without width or height, or one that would zoom beyond kMaxGraphScale,
// leaves the view as it is.
GraphView zoomedView(const GraphView& view, const ZoomSelection& selection);

}  // namespace velk
