#include "faults.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

namespace velk::sim {

namespace {

constexpr std::string_view kNames[kFaultKindCount] = {
    "no-reply",     "bad-checksum",        "broken-frame", "garbage",    "preamble-flood", "busy",
    "other-master", "second-burst-device", "corrupt-byte", "late-reply", "short-reply"};

// A lone preamble byte, then bytes no frame starts with: the receiver must
// throw them away and find the real frame behind them.
constexpr std::uint8_t kNoise[] = {0x5A, 0xFF, 0x13, 0x57, 0x00};
constexpr std::size_t kFloodPreambles = 75;

template <class Number>
bool parse_number(std::string_view text, Number& value) {
  const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
  return status == std::errc{} && end == text.data() + text.size();
}

bool parse_rate(std::string_view text, double& rate) {
  const std::string copy(text);
  char* end = nullptr;
  rate = std::strtod(copy.c_str(), &end);
  return !copy.empty() && end == copy.c_str() + copy.size() && rate >= 0.0 && rate <= 1.0;
}

}  // namespace

std::string_view fault_name(FaultKind kind) { return kNames[static_cast<std::size_t>(kind)]; }

std::optional<FaultKind> fault_from_name(std::string_view name) {
  for (std::size_t i = 0; i < kFaultKindCount; ++i) {
    if (kNames[i] == name) return static_cast<FaultKind>(i);
  }
  return std::nullopt;
}

std::string FaultSet::describe() const {
  std::string text;
  for (std::size_t i = 0; i < kFaultKindCount; ++i) {
    if (!has(static_cast<FaultKind>(i))) continue;
    if (!text.empty()) text += '+';
    text += kNames[i];
  }
  return text;
}

std::optional<FaultPlan> parse_fault_plan(std::string_view text, std::string& error) {
  FaultPlan plan;
  while (!text.empty()) {
    const auto comma = text.find(',');
    const auto item = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
    if (item.empty()) continue;

    const auto separator = item.find_first_of("=@");
    if (separator == std::string_view::npos) {
      error = "fault \"" + std::string(item) + "\" needs =RATE or @N";
      return std::nullopt;
    }
    const auto name = item.substr(0, separator);
    const auto value = item.substr(separator + 1);
    if (name == "seed" && item[separator] == '=') {
      if (!parse_number(value, plan.seed)) {
        error = "bad seed \"" + std::string(value) + "\"";
        return std::nullopt;
      }
      continue;
    }
    const auto kind = fault_from_name(name);
    if (!kind) {
      error = "unknown fault \"" + std::string(name) + "\"";
      return std::nullopt;
    }
    if (item[separator] == '=') {
      if (!parse_rate(value, plan.rate[static_cast<std::size_t>(*kind)])) {
        error = "rate of " + std::string(name) + " must be a number from 0 to 1";
        return std::nullopt;
      }
    } else {
      std::uint32_t number = 0;
      if (!parse_number(value, number) || number == 0) {
        error = "request number of " + std::string(name) + " must be 1 or more";
        return std::nullopt;
      }
      plan.script.push_back({number, *kind});
    }
  }
  return plan;
}

bool parse_short_reply(std::string_view text, FaultPlan& plan) {
  const auto colon = text.find(':');
  unsigned command = 0;
  unsigned bytes = 0;
  if (colon == std::string_view::npos || !parse_number(text.substr(0, colon), command) ||
      !parse_number(text.substr(colon + 1), bytes) || command > 255 || bytes > 255)
    return false;
  plan.short_replies[static_cast<std::uint8_t>(command)] = static_cast<std::uint8_t>(bytes);
  return true;
}

std::size_t ReplyCut::length(std::size_t data_length) const {
  std::size_t kept = data_length;
  if (limit) kept = std::min(kept, *limit);
  if (share) kept = std::min(kept, static_cast<std::size_t>(*share * static_cast<double>(data_length)));
  return kept;
}

namespace {
constexpr std::uint64_t kCutStreamSalt = 0x5C0FFEE5;
constexpr auto kShortReplyIndex = static_cast<std::size_t>(FaultKind::ShortReply);
}  // namespace

FaultInjector::FaultInjector(FaultPlan plan)
    : plan_(std::move(plan)), random_(plan_.seed), cut_random_(plan_.seed ^ kCutStreamSalt) {}

FaultSet FaultInjector::next() {
  ++request_number_;
  FaultSet faults;
  for (const auto& step : plan_.script) {
    if (step.request_number == request_number_) faults.add(step.kind);
  }
  for (std::size_t i = 0; i < kFaultKindCount; ++i) {
    // Draw for every kind, so one rate does not shift the others' sequences.
    const double draw = uniform_(i == kShortReplyIndex ? cut_random_ : random_);
    if (draw < plan_.rate[i]) faults.add(static_cast<FaultKind>(i));
  }
  return faults;
}

ReplyCut FaultInjector::reply_cut(std::uint8_t command, const FaultSet& faults) {
  ReplyCut cut;
  if (const auto fixed = plan_.short_replies.find(command); fixed != plan_.short_replies.end())
    cut.limit = fixed->second;
  // Kept below 1 whatever the distribution rounds to, so the cut always bites.
  if (faults.has(FaultKind::ShortReply)) cut.share = std::min(uniform_(cut_random_), 0.999);
  return cut;
}

std::vector<std::uint8_t> damage_reply(std::span<const std::uint8_t> frame, FaultSet faults) {
  std::vector<std::uint8_t> out(frame.begin(), frame.end());
  if (out.empty()) return out;
  std::size_t preambles = 0;
  while (preambles < out.size() && out[preambles] == 0xFF) ++preambles;
  if (faults.has(FaultKind::BadChecksum)) out.back() ^= 0xFF;
  // One flipped bit between the delimiter and the check byte, in the data
  // when there is any: what a check byte is there to catch.
  if (faults.has(FaultKind::CorruptByte) && out.size() >= preambles + 3) {
    const std::size_t first = preambles + 1;
    const std::size_t last = out.size() - 2;
    out[first + (last - first) * 3 / 4] ^= 0x10;
  }
  if (faults.has(FaultKind::BrokenFrame) && out.size() > preambles) {
    // Keep everything up to the byte count and the first half of the data.
    const std::size_t address_size = (out[preambles] & 0x80) ? 5 : 1;
    const std::size_t byte_count_at = preambles + 1 + address_size + 1;
    if (byte_count_at < out.size()) out.resize(byte_count_at + 1 + out[byte_count_at] / 2);
  }
  if (faults.has(FaultKind::PreambleFlood)) out.insert(out.begin(), kFloodPreambles, 0xFF);
  if (faults.has(FaultKind::Garbage)) out.insert(out.begin(), std::begin(kNoise), std::end(kNoise));
  return out;
}

}  // namespace velk::sim
