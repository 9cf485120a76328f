#include "pages/page_operation.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>

#include "pages/field_validation.h"
#include "shell/configurator.h"
#include "shell/form_binder.h"
#include "support/fake_hart_link.h"

namespace velk {
namespace {

using Reply = FakeHartLink::Reply;

class PageOperationTest : public ::testing::Test {
 protected:
  PageOperationTest()
      : core_([this](WindowState&) {
          auto fake = std::make_unique<FakeHartLink>();
          fake_ = fake.get();
          return fake;
        }) {
    core_.window.InstrumentHandle.store(1);
  }

  JobContext job() { return {core_.link, core_.form, core_.window, core_.operations, core_.live, {}}; }
  void settle() { QCoreApplication::processEvents(); }

  FakeHartLink* fake_ = nullptr;
  Configurator core_;
};

TEST_F(PageOperationTest, ClickShowsCommunicatingAndEveryRunClearsTheStatusBar) {
  fake_->setReply(175, {0, 0, {1}});
  const JobContext context = job();
  for (Sender sender : {Sender::Click, Sender::Sequence}) {
    core_.form.setText(kCommunicatingText, "before");
    {
      PageOperation page(context, sender);
      settle();
      EXPECT_EQ(core_.form.text(kCommunicatingText),
                sender == Sender::Click ? "Communicating..." : "before");
      page.progress("Reading actuator type...");
      EXPECT_EQ(core_.form.text(kStatusBar), "Reading actuator type...");
    }
    settle();
    EXPECT_EQ(core_.form.text(kStatusBar), "");
    EXPECT_EQ(core_.form.text(kCommunicatingText), sender == Sender::Click ? "" : "before");
  }
}

TEST_F(PageOperationTest, FailedItemIsNotReadAndTheNextItemStillRuns) {
  fake_->setReply(185, {1460, 0, {}});
  fake_->setResponder([](int command, const FakeHartLink::DataField& request, int) -> Reply {
    if (command == 185) return {1460, 0, {}};
    return {0, 0, {request[0], 7}};
  });
  const JobContext context = job();
  PageOperation page(context, Sender::Sequence);
  int reads = 0;
  EXPECT_FALSE(page.read(185, 1, [](HartLink& r) { r.SetInteger(0, 1, 0); },
                         [&](HartLink&) { ++reads; }));
  unsigned echoed = 0;
  EXPECT_TRUE(page.read(187, 1, [](HartLink& r) { r.SetInteger(0, 1, 1); },
                        [&](HartLink& r) { echoed = r.GetInteger(0, 1); }));
  EXPECT_EQ(reads, 0);
  EXPECT_EQ(echoed, 1u);
  EXPECT_EQ(fake_->sentCommands().back(), 187);
}

TEST_F(PageOperationTest, LeavingAFieldReplacesARejectedTextInTheStore) {
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
