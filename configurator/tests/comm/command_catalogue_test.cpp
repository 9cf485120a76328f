#include "comm/command_catalogue.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

struct NameCase {
  int command;
  std::string_view name;
};

TEST(CommandCatalogue, NamesCommandsAndKeepsBlanksAndGaps) {
  const NameCase cases[] = {
      {0, "Read Identifier"},
      {15, "Read Transfer code, "},  // the trailing blank is part of the name
      {150, "Write Mode "},
      {155, "Read Protection"},  // named one below the command the page sends
      {231, "Read Failure control"},
      {8, ""},
      {9, ""},
      {10, ""},
      {52, ""},
      {144, ""},
      {241, ""},
      {242, ""},
      {252, ""},
      {255, ""},
      {-1, ""},
      {100000, ""},
  };
  for (const NameCase& c : cases) EXPECT_EQ(commandName(c.command), c.name) << c.command;
}

TEST(CommandCatalogue, HasTheNamedEntriesOnly) {
  int named = 0;
  for (int command = 0; command < kCatalogueSize; ++command) named += !commandName(command).empty();
  EXPECT_EQ(named, 120);
}

}  // namespace
}  // namespace velk
