#pragma once
// The pages of logs and files as modules: LOGS and DB.

#include "comm/page_module.h"

namespace velk {

const PageModule& logsModule();
const PageModule& dbModule();

}  // namespace velk
