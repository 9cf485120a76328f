#pragma once
// The names the communication log gives HART commands 0 to 241. A command
// the table does not name (many numbers have no name, and none above 241
// has) is "Command N", so that every log line says which command failed.

#include <string>

namespace velk {

inline constexpr int kCatalogueSize = 242;

std::string commandName(int command);

}  // namespace velk
