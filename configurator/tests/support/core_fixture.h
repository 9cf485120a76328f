#pragma once
// The configurator's core as most tests need it: the form state, the window
// state and the command thread (not started) around a scripted link, with the
// page modules installed as the program installs them, and an instrument
// taken as connected at handle 1.
//
//   class SetupTest : public CoreTest {};
//   TEST_F(SetupTest, ...) {
//     fake_->setReply(175, {0, 0, {1}});
//     readSetup(job(), Sender::Click);
//   }

#include <gtest/gtest.h>

#include "comm/configurator.h"
#include "comm/job_context.h"
#include "support/fake_hart_link.h"

namespace velk {

class CoreTest : public ::testing::Test {
 protected:
  CoreTest();
  // Around a link of the test's own; fake_ stays null.
  explicit CoreTest(const Configurator::LinkFactory& makeLink);

  // What a job gets, for running page operations on the test's thread.
  JobContext job() { return {core_.link, core_.form, core_.window, core_.operations, core_.live, {}}; }
  // Delivers queued change notifications and the window operations' calls.
  void settle();
  // The start values of every page, numbers written with a point whatever
  // the machine's locale, as the tests write them.
  void applyDefaults();
  FormState& form() { return core_.form; }
  WindowState& window() { return core_.window; }

  FakeHartLink* fake_ = nullptr;
  Configurator core_;
};

// A core around a fake link, for tests that need no script.
Configurator::LinkFactory fakeLink(FakeHartLink** fake = nullptr);

}  // namespace velk
