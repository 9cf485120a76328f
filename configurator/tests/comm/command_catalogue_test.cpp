#include "comm/command_catalogue.h"

#include <gtest/gtest.h>

namespace velk {
namespace {

struct NameCase {
  int command;
  std::string_view name;
};

TEST(CommandCatalogue, NamesCommandsKeepingBlanksAndNamesTheRestByNumber) {
  const NameCase cases[] = {
      {0, "Read Identifier"},
      {15, "Read Transfer code, "},  // the trailing blank is part of the name
      {150, "Write Mode "},
      {155, "Read Protection"},  // named one below the command the page sends
      {231, "Read Failure control"},
      // A command the table does not name still names itself in the log.
      {8, "Command 8"},
      {9, "Command 9"},
      {10, "Command 10"},
      {52, "Command 52"},
      {144, "Command 144"},
      {241, "Command 241"},
      {242, "Command 242"},
      {252, "Command 252"},
      {255, "Command 255"},
  };
  for (const NameCase& c : cases) EXPECT_EQ(commandName(c.command), c.name) << c.command;
}

TEST(CommandCatalogue, HasTheNamedEntriesOnly) {
  int named = 0;
  for (int command = 0; command < kCatalogueSize; ++command)
    named += commandName(command) != "Command " + std::to_string(command);
  EXPECT_EQ(named, 120);
}

}  // namespace
}  // namespace velk
