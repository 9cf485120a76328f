#pragma once
// Page operations against a device scripted per command, with every page at
// its start values: each command sent is recorded with its request bytes and
// the progress text the status bar showed at that moment, so a test can
// compare a page's whole sequence with its table in one go.

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

#include "support/core_fixture.h"
#include "support/reply_bytes.h"

namespace velk {

struct SentCommand {
  int command;
  std::string request;  // the request bytes in hex
  std::string progress;
  bool operator==(const SentCommand&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const SentCommand& sent) {
  return out << "{" << sent.command << ", \"" << sent.request << "\", \"" << sent.progress << "\"}";
}

class ScriptedDeviceTest : public CoreTest {
 protected:
  static constexpr int kInvalidSelection = 2 << 8;  // response code 2 in the status word
  using Reply = FakeHartLink::Reply;
  // The reply data for a request; nothing: the device refuses it.
  using Answer = std::function<std::optional<Bytes>(const Bytes& request)>;

  ScriptedDeviceTest() {
    applyDefaults();
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

  const std::vector<SentCommand>& sent() const { return sent_; }

 private:
  std::map<int, Answer> answers_;
  std::vector<SentCommand> sent_;
};

}  // namespace velk
