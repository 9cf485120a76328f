// The file pages whose operations are still to come.

#include "files/modules.h"

namespace velk {

const PageModule& dbModule() {
  static const PageModule module{
      .name = "TabSheetDb",
      .caption = "DB",
      .controlRules = {{when::always,
                        {"ButtonDBTrendView", "ButtonDBTrendSearch", "ButtonDBTrendDelete", "ButtonDBSigLoad",
                         "ButtonDBSigSearch", "ButtonDBSigDelete", "CheckBoxDBTrendShowWeeks",
                         "CheckBoxDBTrendShowDays", "CheckBoxDBSigAllow"}}},
  };
  return module;
}

}  // namespace velk
