#include "files/factory_reset.h"

#include <gtest/gtest.h>

#include "support/core_fixture.h"

namespace velk {
namespace {

class FactoryResetTest : public CoreTest {};

TEST_F(FactoryResetTest, OnlyFourDigitsAreSentAndAWrongPasswordIsPutBack) {
  struct Case {
    const char* password;
    const char* problem;  // nothing sent when there is one
    std::vector<std::uint8_t> sent;
  };
  const Case cases[] = {
      {"7615", nullptr, {0x1D, 0xBF}},
      {"0042", nullptr, {0x00, 0x2A}},  // leading zeros carry no weight
      {"761", "The Password Size Is 4 Digits", {}},
      {"76150", "The Password Size Is 4 Digits", {}},
      {"76a5", "Only Digits", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.password);
    std::vector<std::uint8_t> sent;
    fake_->setResponder([&](int command, const FakeHartLink::DataField& request, int length) {
      if (command == 235) sent.assign(request.begin(), request.begin() + length);
      return FakeHartLink::Reply{};
    });
    form().setText("EditPassword", c.password);
    EXPECT_EQ(passwordProblem(c.password).value_or(QString()), QString(c.problem ? c.problem : ""));
    ButtonFactoryResetClick(job(), Sender::Click);
    EXPECT_EQ(sent, c.sent);
    EXPECT_EQ(form().text("EditPassword"), c.problem ? QString(kPasswordDefault) : QString(c.password));
  }
}

}  // namespace
}  // namespace velk
