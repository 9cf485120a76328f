#pragma once
// The diagnostics pages as modules: CONTROL, DIAG ALARMS, DIAG 2 and TRENDS.

#include "comm/page_module.h"

namespace velk {

const PageModule& controlModule();
const PageModule& diagAlarmsModule();
const PageModule& diag2Module();
const PageModule& trendsModule();

}  // namespace velk
