#pragma once
// The two pictures of the CHARACTERISTICS page, painted from their data each
// time: the reference picture of the four fixed curves (Image1) and the plot
// of the selected curve as last drawn (Image2). Both share one frame: a white
// plot area of 240 x 200 pixels whose origin lies 70 pixels from the left and
// 39 above the bottom edge, ticks every tenth labelled 0 to 100, the titles
// and a legend to the right of the plot.

#include <QColor>
#include <QString>
#include <QWidget>

namespace velk {

class FormState;
struct WindowState;

class CurvePicture : public QWidget {
 public:
  static constexpr int kWidth = 420;
  static constexpr int kHeight = 262;

 protected:
  explicit CurvePicture(QWidget* parent);

  // Background, plot area, ticks and titles.
  void paintFrame(QPainter& painter) const;
  // Legend entry `row` (0 at the top): a coloured box and its name.
  void paintLegendEntry(QPainter& painter, int row, const QColor& color, const QString& name) const;
};

// Image1: Linear as a straight line, the other fixed curves as one pixel per
// plot column.
class ReferenceCurvesPicture : public CurvePicture {
 public:
  explicit ReferenceCurvesPicture(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// Image2: a line from the origin through the points of the form state's
// drawn curve, repainted whenever the curve is drawn again.
class SelectedCurvePicture : public CurvePicture {
 public:
  SelectedCurvePicture(FormState& form, const WindowState& window, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  FormState& form_;
  const WindowState& window_;
};

// The colours of the curves, as the legends name them.
namespace curve_colors {
inline const QColor kLinear{0, 0, 255};
inline const QColor kSquareRoot{128, 128, 0};
inline const QColor kEqualPercent{255, 0, 0};
inline const QColor kQuickOpen{0, 128, 0};
inline const QColor kCustom{128, 0, 128};
}  // namespace curve_colors

}  // namespace velk
