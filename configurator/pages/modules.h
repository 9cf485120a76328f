#pragma once
// The configuration pages as modules: CALIBRATE, SETUP, CHARACTERISTICS,
// APPEARANCE, TUNING, ALARMS and READ.

#include "comm/page_module.h"

namespace velk {

const PageModule& calibrateModule();
const PageModule& setupModule();
const PageModule& characteristicsModule();
const PageModule& appearanceModule();
const PageModule& tuningModule();
const PageModule& alarmsModule();
const PageModule& readModule();

}  // namespace velk
