// The diagnostics pages whose operations are still to come.

#include "diagnostics/modules.h"

namespace velk {

const PageModule& trendsModule() {
  static const PageModule module{.name = "TabSheet3", .caption = "TRENDS"};
  return module;
}

}  // namespace velk
