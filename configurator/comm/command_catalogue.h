#pragma once
// The names the communication log gives HART commands 0 to 241. Many numbers
// have no name; those, and every number outside the table, name as "".

#include <string_view>

namespace velk {

inline constexpr int kCatalogueSize = 242;

std::string_view commandName(int command);

}  // namespace velk
