// The DB page: the device history's lists (db_page.h). Its "Delete" buttons
// follow the lists' selections, not the connection.

#include "files/modules.h"

#include "model/form_state.h"

namespace velk {

namespace {

void applyDbDefaults(FormState& form, WindowState&) {
  for (const char* weeks : {"CheckBoxDBTrendShowWeeks", "CheckBoxDBLogShowWeeks"})
    form.setChecked(weeks, true);
  for (const char* remove : {"ButtonDBConfDelete", "ButtonDBSigDelete", "ButtonDBTrendDelete", "ButtonDBLogDelete"})
    form.setEnabled(remove, false);
  for (const char* days : {"CheckBoxDBTrendShowDays", "CheckBoxDBLogShowDays", "CheckBoxDBSigAllow"})
    form.setChecked(days, false);
}

}  // namespace

const PageModule& dbModule() {
  static const PageModule module{
      .name = "TabSheetDb",
      .caption = "DB",
      .defaults = &applyDbDefaults,
      .controlRules = {{when::always,
                        {"ButtonDBTrendView", "ButtonDBTrendSearch", "ButtonDBSigLoad", "ButtonDBSigSearch",
                         "CheckBoxDBTrendShowWeeks", "CheckBoxDBTrendShowDays", "CheckBoxDBSigAllow"}}},
  };
  return module;
}

}  // namespace velk
