#include "pages/logic/calibration_rules.h"

namespace velk {

namespace {

constexpr double kZeroCelsiusInKelvin = 273.2;

constexpr struct {
  int status;
  CalibrationStatusText shown;
} kStatusTexts[] = {
    {0, {CalibrationStage::Travel, "Travel Cal Ready OK !", StatusColour::Green}},
    {1, {CalibrationStage::Travel, "Travel Calibration ...", StatusColour::Normal}},
    {2, {CalibrationStage::Travel, "Invalid Moment, Travel Cal No Move !", StatusColour::Red}},
    {3,
     {CalibrationStage::Travel, "Pot Fail, Calibrate Pot In Q5 !\nCALIBRATE/Expert cal/Pot !",
      StatusColour::Red}},
    {4, {CalibrationStage::Travel, "Increase C+ Damper !", StatusColour::Red}},
    {5, {CalibrationStage::Travel, "Increase C- Damper !", StatusColour::Red}},
    {16, {CalibrationStage::Leak, "Leak Test Ready OK !", StatusColour::Green}},
    {17, {CalibrationStage::Leak, "Leak Test ...", StatusColour::Normal}},
    {18, {CalibrationStage::Leak, "Leak Detected !", StatusColour::Red}},
    {32, {CalibrationStage::Tune, "Auto Cal Ready OK !", StatusColour::Green}},
    {33, {CalibrationStage::Tune, "Pulse Tuning ...", StatusColour::Normal}},
    {34, {CalibrationStage::Tune, "Step Tuning ...", StatusColour::Normal}},
};

}  // namespace

std::optional<CalibrationStatusText> calibrationStatusText(int status) {
  for (const auto& entry : kStatusTexts)
    if (entry.status == status) return entry.shown;
  return std::nullopt;
}

bool isCalibrationFailure(int status) { return status >= 2 && status <= 5; }

double calibrationKelvin(double value, std::string_view unitLabel) {
  if (unitLabel == "C") return value + kZeroCelsiusInKelvin;
  if (unitLabel == "F") return (value - 32) * 5 / 9 + kZeroCelsiusInKelvin;
  return value;
}

FloatEditBounds calibrationTemperatureBounds(std::string_view unitLabel) {
  if (unitLabel == "C") return {-40, 120, 25};
  if (unitLabel == "F") return {-40, 248, 77};
  return {233.2, 393.1, 298.1};
}

}  // namespace velk
