#include "pages/unit_fields.h"

#include "model/engineering_units.h"
#include "model/form_fields.h"
#include "model/form_state.h"
#include "model/window_state.h"
#include "pages/logic/appearance_rules.h"
#include "pages/logic/setup_rules.h"

namespace velk {

void applyPositionUnit(FormState& form, WindowState& window, int positionUnitIndex,
                       std::optional<int> strokeReadThisPass) {
  window.PositionUnitIndex.store(positionUnitIndex);
  form.setText("ComboBoxPosition", fromStd(unitName(UnitKind::Position, positionUnitIndex)));
  applyStrokeUnitRule(form, window, positionUnitIndex, strokeReadThisPass);
}

void applyStrokeUnitRule(FormState& form, const WindowState& window, int positionUnitIndex,
                         std::optional<int> strokeReadThisPass) {
  const StrokeField before{form.text("EditStroke").toStdString(),
                           strokeUnitFromLabel(form.text("LabelStrokeUnit").toStdString())};
  const StrokeField after =
      followPositionUnit(before, positionUnitIndex, strokeReadThisPass, decimalSeparator(window));
  form.setText("EditStroke", QString::fromStdString(after.text));
  form.setText("LabelStrokeUnit", fromStd(strokeUnitLabel(after.unit)));
}

void showStrokeUnitOfLoadedPosition(FormState& form, const QString& positionUnit) {
  form.setText("LabelStrokeUnit", fromStd(strokeUnitLabel(strokeUnitFromLabel(positionUnit.toStdString()))));
}

void ConvertTemperatureFields(FormState& form, const WindowState& window, int temperatureIndex) {
  const auto from = temperatureUnitFromName(form.text("LabelTempMinUnit").toStdString());
  if (from && temperatureIndex >= 0 && temperatureIndex <= 2) {
    const TemperatureFieldTexts before{
        form.text("EditTempMin").toStdString(), form.text("EditTempMax").toStdString(),
        form.text("EditTempHysteresis").toStdString(), form.text("EditCalTemp").toStdString()};
    const TemperatureFieldTexts after = convertTemperatureFieldTexts(
        before, *from, static_cast<TemperatureUnit>(temperatureIndex), decimalSeparator(window));
    form.setText("EditTempMin", QString::fromStdString(after.tempMin));
    form.setText("EditTempMax", QString::fromStdString(after.tempMax));
    form.setText("EditTempHysteresis", QString::fromStdString(after.hysteresis));
    form.setText("EditCalTemp", QString::fromStdString(after.calTemp));
  }
  const QString unit = form.text("ComboBoxTemp");
  for (const char* label :
       {"LabelTempMinUnit", "LabelTempMaxUnit", "LabelTempHysteresisUnit", "LabelCalTempUnit"})
    form.setText(label, unit);
}

}  // namespace velk
