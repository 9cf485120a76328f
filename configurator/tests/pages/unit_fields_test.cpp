#include "pages/unit_fields.h"

#include <gtest/gtest.h>

#include "model/form_state.h"
#include "model/window_state.h"

namespace velk {
namespace {

TEST(UnitFields, TemperatureFieldsAndLabelsFollowTheNewUnit) {
  FormState form;
  WindowState window;
  form.setText("EditTempMin", "0");
  form.setText("EditTempMax", "100");
  form.setText("EditTempHysteresis", "5");
  form.setText("EditCalTemp", "25");
  form.setText("LabelTempMinUnit", "C");
  form.setText("ComboBoxTemp", "F");

  ConvertTemperatureFields(form, window, 1);
  EXPECT_EQ(form.text("EditTempMin"), "32");
  EXPECT_EQ(form.text("EditTempMax"), "212");
  EXPECT_EQ(form.text("EditTempHysteresis"), "9");
  EXPECT_EQ(form.text("EditCalTemp"), "77");
  for (const char* label :
       {"LabelTempMinUnit", "LabelTempMaxUnit", "LabelTempHysteresisUnit", "LabelCalTempUnit"})
    EXPECT_EQ(form.text(label), "F") << label;
}

TEST(UnitFields, StrokeFollowsThePositionUnit) {
  FormState form;
  WindowState window;
  form.setText("EditStroke", "50");
  form.setText("LabelStrokeUnit", "mm");

  applyPositionUnit(form, window, 3);  // inch, no stroke read in this pass
  EXPECT_EQ(window.PositionUnitIndex.load(), 3);
  EXPECT_EQ(form.text("ComboBoxPosition"), "inch");
  EXPECT_EQ(form.text("EditStroke"), "1.97");
  EXPECT_EQ(form.text("LabelStrokeUnit"), "inch");

  applyPositionUnit(form, window, 3, 5);  // 5 mm read in this pass
  EXPECT_EQ(form.text("EditStroke"), "0.197");

  applyPositionUnit(form, window, 0);  // back to percent: millimetres
  EXPECT_EQ(form.text("LabelStrokeUnit"), "mm");
  EXPECT_EQ(form.text("EditStroke"), "5");
}

}  // namespace
}  // namespace velk
