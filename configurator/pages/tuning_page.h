#pragma once
// The TUNING page's widgets: open and close times, dead band, PID, minimum
// pulses, the toggle-step test and the self test. Its operations are in
// tuning_operations.h; the self test and the alarms diagnosis are the DIAG
// ALARMS page's.

class QWidget;

namespace velk {

struct PageContext;

QWidget* createTuningPage(PageContext& context);

}  // namespace velk
