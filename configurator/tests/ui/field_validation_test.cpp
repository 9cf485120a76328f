#include "ui/field_validation.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>

#include "support/core_fixture.h"
#include "ui/form_binder.h"

namespace velk {
namespace {

class FieldValidationTest : public CoreTest {};

TEST_F(FieldValidationTest, LeavingAFieldReplacesARejectedTextInTheStore) {
  QLineEdit edit;
  edit.setObjectName("EditCutoffLow");
  QComboBox combo;
  combo.setObjectName("ComboBoxControlLow");
  combo.addItems({"Free", "Cutoff", "Limited"});
  FormBinder binder(core_.form);
  binder.bind(&edit);
  binder.bind(&combo);
  validateFloatOnExit(&edit, core_.form, core_.window, FloatEditBounds{-20, 120, 0});
  validateComboOnChange(&combo, core_.form, 1);

  struct Case {
    const char* typed;
    const char* shown;
  };
  for (const Case& c : {Case{"12.", "0"}, Case{"-5", "-5"}, Case{"1-2", "0"}, Case{"121", "0"}}) {
    edit.setText(c.typed);
    core_.form.setText("EditCutoffLow", c.typed);
    Q_EMIT edit.editingFinished();
    settle();
    EXPECT_EQ(core_.form.text("EditCutoffLow"), c.shown) << c.typed;
    EXPECT_EQ(edit.text(), c.shown) << c.typed;
  }

  core_.form.setText("ComboBoxControlLow", "Nonsense");
  validateComboField(core_.form, "ComboBoxControlLow", 1);
  EXPECT_EQ(core_.form.text("ComboBoxControlLow"), "Cutoff");
}

}  // namespace
}  // namespace velk
