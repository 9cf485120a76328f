#pragma once
// The service pages as modules: DEBUG, MAP, the raw HART command page, IRS
// and LIMITS.

#include "comm/page_module.h"

namespace velk {

const PageModule& debugModule();
const PageModule& mapModule();
const PageModule& hartModule();
const PageModule& irsModule();
const PageModule& limitsModule();

}  // namespace velk
