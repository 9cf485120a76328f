// Readable names for table-driven cases in test listings.
#pragma once

#include <ostream>
#include <string>

namespace velk::sim {

template <class Case>
concept NamedCase = requires(const Case& c) {
  std::string(c.name);
};

// Shown by the test listing in place of the case's raw bytes.
template <NamedCase Case>
void PrintTo(const Case& c, std::ostream* out) {
  *out << c.name;
}

struct CaseName {
  template <class Info>
  std::string operator()(const Info& info) const {
    return std::string(info.param.name);
  }
};

}  // namespace velk::sim
