// The bounds the CALIBRATE and TUNING fields are checked against when the
// user leaves them, as the pages look them up.
#include <gtest/gtest.h>

#include "model/form_state.h"
#include "model/window_state.h"
#include "pages/calibrate_operations.h"
#include "pages/tuning_operations.h"

namespace velk {
namespace {

FloatEditBounds boundsOf(const FormState& form, const QString& field) {
  for (const BoundedField& bounded : tuningBoundedFields())
    if (field == QLatin1String(bounded.name)) return bounded.bounds;
  for (const char* checked : calibrateCheckedFields())
    if (field == QLatin1String(checked)) return calibrateFieldBounds(form, field);
  ADD_FAILURE() << field.toStdString() << " is not checked";
  return {};
}

TEST(CalibrateAndTuningFields, RejectedEntriesBecomeTheirDefaults) {
  struct Case {
    const char* field;
    const char* typed;
    const char* shown;
    const char* temperatureUnit = "C";
  };
  const Case cases[] = {
      {"EditCalCurrentLow", "12", "4"},
      {"EditCalCurrentLow", "10", "10"},
      {"EditCalCurrentHigh", "9.9", "20"},
      {"EditCalTemp", "121", "25"},
      {"EditCalTemp", "-40", "-40"},
      {"EditCalTemp", "248", "248", "F"},
      {"EditCalTemp", "249", "77", "F"},
      {"EditCalTemp", "233.1", "298.1", "K"},
      {"EditCalTemp", "393.1", "393.1", "K"},
      {"EditCloseTime", "601", "0"},
      {"EditOpenTime", "600", "600"},
      {"EditDeadBand", "0.1", "0.5"},
      // The toggle defaults lie below their own minimum.
      {"EditToggleTime", "0.05", "0"},
      {"EditToggleTime", "0", "0"},
      {"EditToggleCycleTime", "10.5", "0"},
      {"EditToggleSize", "9.9", "9.9"},
      {"EditToggleSize", "10", "0"},
      {"EditPID_P", "1001", "5"},
      {"EditPID_I", "50", "0.01"},
      {"EditPID_I", "46.54", "46.54"},
      {"EditPID_D", "10000", "5"},
  };
  FormState form;
  for (const Case& c : cases) {
    form.setText("LabelCalTempUnit", c.temperatureUnit);
    form.setText(c.field, c.typed);
    validateFloatField(form, c.field, boundsOf(form, c.field), '.');
    EXPECT_EQ(form.text(c.field), c.shown) << c.field << " " << c.typed << " " << c.temperatureUnit;
  }
}

}  // namespace
}  // namespace velk
