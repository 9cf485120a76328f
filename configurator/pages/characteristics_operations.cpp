#include "pages/characteristics_operations.h"

#include <QStringList>
#include <algorithm>
#include <string>

#include "comm/configurator.h"
#include "comm/device_commands.h"
#include "model/characteristic_curve.h"
#include "model/form_fields.h"
#include "model/form_state.h"
#include "model/window_state.h"
#include "pages/modules.h"

namespace velk {

namespace {

bool customCurveSelected(const FormState& form) {
  return form.selectedIndex(kComboBoxCharacter) == kCustomCurveIndex;
}

CurveGrid gridFromRows(const QList<QStringList>& rows) {
  CurveGrid grid;
  grid.reserve(static_cast<std::size_t>(rows.size()));
  for (const QStringList& cells : rows)
    grid.push_back({cells.value(0).toStdString(), cells.value(1).toStdString()});
  return grid;
}

QList<QStringList> rowsFromGrid(const CurveGrid& grid) {
  QList<QStringList> rows;
  rows.reserve(static_cast<qsizetype>(grid.size()));
  for (const CurveGridRow& row : grid) rows.append({fromStd(row.input), fromStd(row.output)});
  return rows;
}

// The point count the combo box shows; an empty text or one that is no
// count is replaced by "33" first.
int pointsShown(FormState& form) {
  validateComboField(form, kComboBoxNumberOfPoints, kCurvePointCountDefaultIndex);
  const int points = form.text(kComboBoxNumberOfPoints).toInt();
  return isCurvePointCount(points) ? points : kMaxCurvePoints;
}

enum class ReduceAnswer { No, Yes };

// FillCurveGrid, with the question already answered where one was needed.
void fillCurveGrid(FormState& form, CustomCurve& curve, char separator, int points, ReduceAnswer answer) {
  CurveGrid grid;
  if (customCurveSelected(form)) {
    switch (pointCountChange(curve, points)) {
      case PointCountChange::AskToReduce:
        if (answer == ReduceAnswer::Yes)
          curve = ResampleCustomCurve(curve, points);
        else
          form.setText(kComboBoxNumberOfPoints, QString::number(curve.count));
        break;
      case PointCountChange::Increase: curve = ResampleCustomCurve(curve, points); break;
      case PointCountChange::None: break;
    }
    grid = customCurveGrid(curve, separator);
  } else {
    const auto fixed = fixedCurveForIndex(form.selectedIndex(kComboBoxCharacter));
    grid = fixedCurveGrid(fixed.value_or(FixedCurve::Linear), points, separator);
  }
  form.setRows(kStringGridCurve, rowsFromGrid(grid));
}

// DrawCurve: the grid checked, its points stored in the curve (the count
// stays), and the checked rows handed to the plot.
void drawCurve(FormState& form, CustomCurve& curve, char separator) {
  const CurveGrid checked = CheckCurveGrid(gridFromRows(form.rows(kStringGridCurve)), separator);
  const QList<QStringList> rows = rowsFromGrid(checked);
  form.setRows(kStringGridCurve, rows);
  storeGridInCurve(checked, curve, separator);
  form.setRows(kImage2, rows);
}

// A reply the page cannot show is refused; the technician learns of it in
// the communication log, as of a failed command.
void logRefusal(const JobContext& job, int command, const QString& message) {
  job.logFailedCommand(command, message);
}

// Steps 2 and 3 of the read: the custom curve's count and its points.
void readCustomCurve(const PageOperation& page, const JobContext& job) {
  int count = 0;
  if (!page.read(kReadPointCount, 0, ReplyBytes{1},
                 [&](HartLink& reply) { count = static_cast<int>(reply.GetInteger(0, 1)); }))
    return;
  if (!isCurvePointCount(count)) {
    logRefusal(job, kReadPointCount,
               QString("Unknown number of curve points %1; the curve is left as it was").arg(count));
    return;
  }
  job.form.setText(kComboBoxNumberOfPoints, QString::number(count));
  job.window.CustomCurve.with([count](CustomCurve& curve) { curve.count = count; });
  for (int i = 0; i < count; ++i) {
    const auto point = static_cast<std::size_t>(i);
    page.read(
        kReadPoint, 1, ReplyBytes{9},
        [i](HartLink& request) { request.SetInteger(0, 1, static_cast<unsigned>(i)); },
        [&](HartLink& reply) {
          const float input = reply.GetFloat(1);
          const float output = reply.GetFloat(5);
          job.window.CustomCurve.with([&](CustomCurve& curve) {
            curve.input[point] = input;
            curve.output[point] = output;
          });
        });
  }
}

}  // namespace

CurveGrid drawnCurve(const FormState& form) { return gridFromRows(form.rows(kImage2)); }

const PageDefaults& characteristicsDefaults() {
  static const PageDefaults defaults = {
      {kComboBoxCharacter, "Linear", itemList(kCharacteristics)},
      {kComboBoxNumberOfPoints, "33", itemList(kCurvePointCounts)},
  };
  return defaults;
}

void applyCharacteristicsDefaults(FormState& form, const WindowState& window) {
  applyControlDefaults(form, window, characteristicsDefaults());
}

namespace {

// The custom curve starts as a straight line over the points shown.
void showStartCurve(FormState& form, WindowState& window) {
  window.CustomCurve.set(CustomCurve::straightLine(pointsShown(form)));
  ComboBoxCharacterChange(form, window);
}

}  // namespace

void startCharacteristicsPage(FormState& form, WindowState& window) {
  applyCharacteristicsDefaults(form, window);
  showStartCurve(form, window);
}

void ComboBoxCharacterChange(FormState& form, WindowState& window) {
  const char separator = decimalSeparator(window);
  window.CustomCurve.with([&](CustomCurve& curve) {
    // A count no list item offers (only a hand-edited file can bring one)
    // would leave the combo box and the grid disagreeing.
    if (!isCurvePointCount(curve.count)) curve = ResampleCustomCurve(curve, kMaxCurvePoints);
    validateComboField(form, kComboBoxCharacter, kCharacteristicDefaultIndex);
    form.setText(kGroupBoxCurve, fromStd(curveGroupCaption(form.text(kComboBoxCharacter).toStdString())));
    form.setText(kComboBoxNumberOfPoints, QString::number(curve.count));
    fillCurveGrid(form, curve, separator, curve.count, ReduceAnswer::No);
    drawCurve(form, curve, separator);
  });
}

void ComboBoxNumberOfPointsChange(FormState& form, WindowState& window, const ConfirmReducePoints& confirm) {
  const char separator = decimalSeparator(window);
  const int points = pointsShown(form);
  const bool custom = customCurveSelected(form);
  // Asked before the curve is locked: the user may take a while to answer.
  ReduceAnswer answer = ReduceAnswer::No;
  if (custom) {
    const CustomCurve curve = window.CustomCurve.get();
    if (pointCountChange(curve, points) == PointCountChange::AskToReduce && confirm &&
        confirm(fromStd(reducePointsQuestion(curve.count, points))))
      answer = ReduceAnswer::Yes;
  }
  window.CustomCurve.with([&](CustomCurve& curve) {
    fillCurveGrid(form, curve, separator, points, answer);
    if (custom) drawCurve(form, curve, separator);
  });
}

void ComboBoxNumberOfPointsExit(FormState& form, WindowState& window) {
  if (!customCurveSelected(form)) return;
  form.setText(kComboBoxNumberOfPoints, QString::number(window.CustomCurve.get().count));
}

void StringGridCurveExit(FormState& form, WindowState& window) {
  if (!customCurveSelected(form)) return;
  const char separator = decimalSeparator(window);
  window.CustomCurve.with([&](CustomCurve& curve) { drawCurve(form, curve, separator); });
}

void ButtonCharacterReadClick(const JobContext& job, Sender sender) {
  PageOperation page(job, sender);
  page.progress("Reading characteristic curve...");
  int code = 0;
  if (!page.read(kReadOutputInformation, 0, ReplyBytes{2},
                 [&](HartLink& reply) { code = static_cast<int>(reply.GetInteger(1, 1)); }))
    return;
  const auto index = indexForCode(kCharacteristics, code);
  if (!index) {
    logRefusal(job, kReadOutputInformation,
               QString("Unknown characteristic code %1; the page is left as it was").arg(code));
    return;
  }
  job.form.setSelectedIndex(kComboBoxCharacter, *index);
  if (*index == kCustomCurveIndex) readCustomCurve(page, job);
  ComboBoxCharacterChange(job.form, job.window);
}

void ButtonCharacterSendClick(const JobContext& job, Sender sender) {
  PageOperation page(job, sender);
  page.progress("Sending characteristic curve...");
  const int code = codeForText(kCharacteristics, job.form.text(kComboBoxCharacter).toStdString());
  if (!page.send(kWriteTransferFunction, 1,
                 [code](HartLink& request) { request.SetInteger(0, 1, static_cast<unsigned>(code)); }))
    return;
  if (indexForCode(kCharacteristics, code) != kCustomCurveIndex) return;

  const CustomCurve curve = job.window.CustomCurve.get();
  if (!isCurvePointCount(curve.count)) {
    logRefusal(job, kWritePointCount,
               QString("The custom curve has %1 points, which the device cannot take; it is not sent")
                   .arg(curve.count));
    return;
  }
  if (!page.send(kWritePointCount, 1,
                 [&](HartLink& request) { request.SetInteger(0, 1, static_cast<unsigned>(curve.count)); }))
    return;
  for (int i = 0; i < curve.count; ++i) {
    const auto point = static_cast<std::size_t>(i);
    page.send(kWritePoint, 9, [&](HartLink& request) {
      request.SetInteger(0, 1, static_cast<unsigned>(i));
      request.SetFloat(1, curve.input[point]);
      request.SetFloat(5, curve.output[point]);
    });
  }
}

const PageModule& characteristicsModule() {
  static const PageModule module{
      .name = "TabSheetCara",
      .caption = "CHARACTERISTICS",
      .defaultValues = &characteristicsDefaults,
      .defaults = &showStartCurve,
      .read = &ButtonCharacterReadClick,
      .send = &ButtonCharacterSendClick,
      .readButton = "ButtonCharacterRead",
      .sendButton = "ButtonCharacterSend",
      .configurationPlace = 5,
      .configurationEntries =
          {
              {"CHARACTER", ConfigValueForm::Text, "ComboBoxCharacter"},
              {"NUMBER OF POINTS", ConfigValueForm::Text, "ComboBoxNumberOfPoints"},
          },
      .readAllPlace = 4,
      .sendAllPlace = 4,
      .sentKeys = {"CHARACTER", "NUMBER OF POINTS", "CUSTOM CURVE TABLE SIZE", "X(", "Y("},
      .sentOutOfServiceOnly = true,
      // The grid, the point count and the picture show the loaded curve.
      .afterConfigurationLoaded =
          [](const LoadedConfiguration& loaded) {
            ComboBoxCharacterChange(loaded.core.form, loaded.core.window);
          },
  };
  return module;
}

}  // namespace velk
