#pragma once
// A scripted device whose memory answers command 252: each area (and start)
// a run of bytes; the blocks listed fail.

#include <map>
#include <set>
#include <utility>

#include "support/scripted_device.h"

namespace velk {

class ScriptedMemoryTest : public ScriptedDeviceTest {
 protected:
  ScriptedMemoryTest() {
    answer(252, [this](const Bytes& request) -> std::optional<Bytes> {
      const auto memory = memory_.find({request[0], request[1]});
      if (memory == memory_.end() || failing_.count(request[2])) return std::nullopt;
      Bytes block;
      for (int i = 0; i < request[3]; ++i) {
        const std::size_t at = 28u * request[2] + static_cast<std::size_t>(i);
        block.push_back(at < memory->second.size() ? memory->second[at] : 0);
      }
      return block;
    });
  }

  void setMemory(int area, int start, Bytes bytes) { memory_[{area, start}] = std::move(bytes); }
  void failBlocks(std::set<int> blocks) { failing_ = std::move(blocks); }

  // The memory commands sent, as "area start block count" in hex.
  std::vector<std::string> memoryReads() const {
    std::vector<std::string> reads;
    for (const SentCommand& sent : sent())
      if (sent.command == 252) reads.push_back(sent.request);
    return reads;
  }

 private:
  std::map<std::pair<int, int>, Bytes> memory_;
  std::set<int> failing_;
};

}  // namespace velk
