// The DB page: a file browser laid out with fixed entries; its buttons carry
// no action yet.

#include "files/modules.h"

#include "model/form_state.h"

namespace velk {

namespace {

void applyDbDefaults(FormState& form, WindowState&) {
  form.setItems("ConfigListBox", {"Linear actuator demo"});
  form.setItems("SigListBox", {"10% step, 10%-20%"});
  form.setItems("TrendListBox", {"Q1 2006", "W12 2006"});
  form.setItems("LogListBox", {"Q1 2006", "W12 2006"});
  for (const char* weeks : {"CheckBoxDBTrendShowWeeks", "CheckBoxDBLogShowWeeks"})
    form.setChecked(weeks, true);
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
                        {"ButtonDBTrendView", "ButtonDBTrendSearch", "ButtonDBTrendDelete", "ButtonDBSigLoad",
                         "ButtonDBSigSearch", "ButtonDBSigDelete", "CheckBoxDBTrendShowWeeks",
                         "CheckBoxDBTrendShowDays", "CheckBoxDBSigAllow"}},
                       {when::never, {"ButtonDBConfDelete", "ButtonDBLogDelete"}}},
  };
  return module;
}

}  // namespace velk
