// Line faults the simulated positioner can produce on demand, so that a
// master's retries, time-outs and multi-master handling meet real trouble.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velk::sim {

enum class FaultKind : std::uint8_t {
  NoReply,            // the request is lost: not executed, not answered
  BadChecksum,        // the reply's check byte is wrong
  BrokenFrame,        // the reply stops in the middle of its data
  Garbage,            // noise on the line before the reply
  PreambleFlood,      // the reply comes after far too many preambles
  Busy,               // response code 32, the command is not executed
  OtherMaster,        // after the reply, the other master runs a transaction
  SecondBurstDevice,  // after the reply, another device sends a burst frame
  CorruptByte,        // one bit of the reply (not its check byte) flips on the line
  LateReply,          // the answer to the previous request comes in ahead of this one's
  ShortReply,         // a whole, well-formed reply with fewer data bytes than the command has
};

inline constexpr std::size_t kFaultKindCount = 11;

std::string_view fault_name(FaultKind kind);
std::optional<FaultKind> fault_from_name(std::string_view name);

// Which faults hit one reply.
class FaultSet {
 public:
  void add(FaultKind kind) { bits_ |= bit(kind); }
  bool has(FaultKind kind) const { return (bits_ & bit(kind)) != 0; }
  bool empty() const { return bits_ == 0; }
  std::string describe() const;  // "busy+garbage", "" when empty

 private:
  static std::uint32_t bit(FaultKind kind) { return 1u << static_cast<unsigned>(kind); }
  std::uint32_t bits_ = 0;
};

// Faults as rates (a probability per request addressed to the device) and as a
// script (fault K on the N-th such request, counted from 1); and commands
// whose replies always carry at most so many data bytes, as a device of other
// firmware would answer them.
struct FaultPlan {
  struct Scripted {
    std::uint32_t request_number;
    FaultKind kind;
    bool operator==(const Scripted&) const = default;
  };
  std::array<double, kFaultKindCount> rate{};
  std::vector<Scripted> script;
  std::map<std::uint8_t, std::uint8_t> short_replies;  // command -> data bytes after the status bytes
  std::uint64_t seed = 1;

  bool operator==(const FaultPlan&) const = default;
};

// "busy=0.1,no-reply@3,bad-checksum@4,seed=7". An empty text is no faults.
std::optional<FaultPlan> parse_fault_plan(std::string_view text, std::string& error);

// "CMD:N" (0 to 255 each): command CMD's replies cut to N data bytes, added to
// `plan`. Returns false, leaving `plan` alone, on any other text.
bool parse_short_reply(std::string_view text, FaultPlan& plan);

}  // namespace velk::sim
