#pragma once
// The CHARACTERISTICS page without widgets: its handlers as operations on the
// form state and the window's custom curve, and its page read and send. The
// page's widgets call the handlers; its buttons, "Read All" and "Send All" run
// the read and send as jobs; the configuration file and "&Default" change the
// page's values and then run ComboBoxCharacterChange to show them.

#include <QString>
#include <functional>
#include <span>

#include "comm/page_module.h"
#include "model/characteristic_curve.h"
#include "model/form_fields.h"

namespace velk {

class FormState;
struct WindowState;

// The page's entries in the form state.
inline constexpr const char* kComboBoxCharacter = "ComboBoxCharacter";
inline constexpr const char* kComboBoxNumberOfPoints = "ComboBoxNumberOfPoints";
inline constexpr const char* kGroupBoxCurve = "GroupBoxCurve";
// Rows 1..N of the curve grid, each {input %, output %}; the grid's headers
// and row labels belong to the widget.
inline constexpr const char* kStringGridCurve = "StringGridCurve";
// The curve as last drawn: the checked grid rows the plot of the selected
// curve shows.
inline constexpr const char* kImage2 = "Image2";

// The curve as last drawn, for the plot.
CurveGrid drawnCurve(const FormState& form);

// What the page's combo boxes start with; "&Default" puts it back.
const PageDefaults& characteristicsDefaults();
void applyCharacteristicsDefaults(FormState& form, const WindowState& window);

// Start-up: the combo boxes' items, the defaults, the custom curve as the
// straight line with the point count shown, and the grid and the drawn curve
// for the selected characteristic, so that the page works without a window.
void startCharacteristicsPage(FormState& form, WindowState& window);

// Asked before the custom curve loses points; true for Yes. The widgets show
// a message box; tests answer directly.
using ConfirmReducePoints = std::function<bool(const QString& question)>;

// A characteristic was chosen (also after a page read, a file load and the
// defaults): the caption, the point count of the custom curve, the grid for
// the selected curve, and the curve drawn, which leaves its points in the
// custom curve.
void ComboBoxCharacterChange(FormState& form, WindowState& window);

// A point count was chosen: the grid is refilled; with the custom curve
// selected, its points are resampled (asking first when points would be
// lost) and it is drawn again.
void ComboBoxNumberOfPointsChange(FormState& form, WindowState& window, const ConfirmReducePoints& confirm);

// Leaving the point count: with the custom curve selected it shows the
// curve's own count again.
void ComboBoxNumberOfPointsExit(FormState& form, WindowState& window);

// Leaving the grid, selecting a cell or pressing Enter in it: with the custom
// curve selected the grid is checked and the curve drawn from it.
void StringGridCurveExit(FormState& form, WindowState& window);

// The page read: the characteristic (command 15) and, for the custom curve,
// its point count (191) and points (193). A code or count that the page has
// no item for is refused: the page is left as it was and the refusal logged.
void ButtonCharacterReadClick(const JobContext& job, Sender sender);

// The page send: the characteristic (47) and, for the custom curve, its point
// count (190) and points (192).
void ButtonCharacterSendClick(const JobContext& job, Sender sender);

}  // namespace velk
