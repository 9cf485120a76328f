// Layout of the graphs' axes as draw items: tick and axis lines, and label
// texts with their top-left positions, for a painter that only draws them
// (8-point sans serif; the layout counts 6 pixels a digit on the value axis
// and centres time labels at 8 pixels a character).
#pragma once

#include <string>
#include <vector>

#include "model/graph_view.h"

namespace velk {

struct AxisText {
  int left;
  int top;
  std::string text;
  friend bool operator==(const AxisText&, const AxisText&) = default;
};

struct AxisDrawing {
  std::vector<PixelLine> lines;  // ticks, decimal points drawn as lines, the axis line
  std::vector<AxisText> texts;
};

// Position and size of a paint box on the window.
struct BoxGeometry {
  int left, top, width, height;
};

// A label value in hundredths, rounded to tenths: the whole part as text
// (with a minus sign for a negative value) and the tenth digit when it is not 0.
struct AxisLabel {
  std::string whole;  // "12", "-3", "0"
  std::string tenth;  // "5", or empty
  int characters;     // digits and sign shown, without the decimal point
};
AxisLabel axisLabel(double hundredths);

// The graph a value axis stands beside, which sets its values.
enum class ValueAxisGraph {
  Live,   // CONTROL page: from the view's offset and scale, a tick every 20 pixels over 400
  Diag2,  // DIAG 2: 0 to 100 in steps of 10 over 200 pixels
  Trend,  // TRENDS: 0 to 10 in steps of 0.5 over 400 pixels
};

// The value axis `axis` left of graph `graph`: ticks every 20 pixels from the
// bottom up, each labelled with its value to one decimal, and the axis line
// along the graph's height. `view` matters only for the live graph.
AxisDrawing layOutValueAxis(ValueAxisGraph kind, const GraphView& view, const BoxGeometry& axis,
                            const BoxGeometry& graph);

// The live graph's time axis `axis` below graph `graph`: a tick every 30
// pixels labelled in seconds (one sample is 0.5 s), and the axis line.
AxisDrawing layOutTimeAxis(const GraphView& view, const BoxGeometry& axis, const BoxGeometry& graph);

}  // namespace velk
