// The service pages, whose operations are still to come.

#include "service/modules.h"

namespace velk {

const PageModule& debugModule() {
  static const PageModule module{.name = "DEBUG", .caption = "DEBUG"};
  return module;
}

const PageModule& mapModule() {
  static const PageModule module{.name = "TabSheet2", .caption = "MAP"};
  return module;
}

const PageModule& hartModule() {
  static const PageModule module{.name = "TabSheetHart", .caption = "HART"};
  return module;
}

const PageModule& irsModule() {
  static const PageModule module{.name = "TabSheet5", .caption = "IRS"};
  return module;
}

const PageModule& limitsModule() {
  static const PageModule module{.name = "TabSheet6", .caption = "LIMITS"};
  return module;
}

}  // namespace velk
