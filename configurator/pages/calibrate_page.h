#pragma once
// The CALIBRATE page's widgets: the automatic calibration with its status and
// the tuned PID, and the single-point calibrations of current, temperature and
// pressure. Its operations are in calibrate_operations.h and
// calibration_sequence.h.

class QWidget;

namespace velk {

struct PageContext;

QWidget* createCalibratePage(PageContext& context);

}  // namespace velk
