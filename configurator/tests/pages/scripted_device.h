#pragma once
// Page operations against a device scripted per command: each command sent
// is recorded with its request bytes and the progress text the status bar
// showed at that moment, so a test can compare a page's whole sequence with
// its table in one go.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <bit>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "pages/setup_operations.h"
#include "shell/configurator.h"
#include "shell/startup_defaults.h"
#include "support/fake_hart_link.h"

namespace velk {

using Bytes = std::vector<std::uint8_t>;

inline Bytes f32(float value) {
  const auto bits = std::bit_cast<std::uint32_t>(value);
  return {static_cast<std::uint8_t>(bits >> 24), static_cast<std::uint8_t>(bits >> 16),
          static_cast<std::uint8_t>(bits >> 8), static_cast<std::uint8_t>(bits)};
}

inline Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

inline std::string hex(const Bytes& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  for (std::uint8_t b : bytes) {
    text += digits[b >> 4];
    text += digits[b & 0xF];
  }
  return text;
}

struct SentCommand {
  int command;
  std::string request;  // the request bytes in hex
  std::string progress;
  bool operator==(const SentCommand&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const SentCommand& sent) {
  return out << "{" << sent.command << ", \"" << sent.request << "\", \"" << sent.progress << "\"}";
}

class ScriptedDeviceTest : public ::testing::Test {
 protected:
  static constexpr int kInvalidSelection = 2 << 8;  // response code 2 in the status word
  using Reply = FakeHartLink::Reply;
  // The reply data for a request; nothing: the device refuses it.
  using Answer = std::function<std::optional<Bytes>(const Bytes& request)>;

  ScriptedDeviceTest()
      : core_([this](WindowState&) {
          auto fake = std::make_unique<FakeHartLink>();
          fake_ = fake.get();
          return fake;
        }) {
    core_.window.InstrumentHandle.store(1);
    applyStartupDefaults(core_.form, core_.window);
    // The tests write numbers with a point, whatever the machine's locale.
    core_.window.setDecimalSeparator(".");
    applySetupDefaults(core_.form, core_.window);
    fake_->setResponder([this](int command, const FakeHartLink::DataField& field, int length) {
      const Bytes request(field.begin(), field.begin() + length);
      sent_.push_back({command, hex(request), core_.form.text(kStatusBar).toStdString()});
      const auto answer = answers_.find(command);
      if (answer == answers_.end()) return Reply{1460, 0, {}};  // no reply: timed out
      if (auto data = answer->second(request)) return Reply{0, 0, std::move(*data)};
      return Reply{15, kInvalidSelection, {}};
    });
  }

  void answer(int command, Answer answer) { answers_[command] = std::move(answer); }
  void answer(int command, Bytes reply) {
    answers_[command] = [reply](const Bytes&) { return reply; };
  }
  void echoWrites(std::initializer_list<int> commands) {
    for (int command : commands) answer(command, [](const Bytes& request) { return request; });
  }
  void fail(int command) { answers_.erase(command); }

  JobContext job() { return {core_.link, core_.form, core_.window, core_.operations, core_.live, {}}; }
  void settle() { QCoreApplication::processEvents(); }
  FormState& form() { return core_.form; }
  const std::vector<SentCommand>& sent() const { return sent_; }

  FakeHartLink* fake_ = nullptr;
  Configurator core_;

 private:
  std::map<int, Answer> answers_;
  std::vector<SentCommand> sent_;
};

}  // namespace velk
