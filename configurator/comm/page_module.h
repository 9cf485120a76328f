#pragma once
// One page of the program as the code without widgets sees it: its name and
// caption, the values it starts with, its read and send, the rules that
// enable its controls, and the hooks through which it follows the
// connection and burst monitoring. Shared code loops over the modules (start
// values, control states, hooks, and the sequences over all pages); the
// command thread calls the hooks without knowing which pages there are.
//
// Every field but the name and the caption is optional.

#include <optional>
#include <vector>

#include "comm/page_operation.h"
#include "model/control_states.h"
#include "model/dynamic_variables.h"

namespace velk {

class FormState;
struct WindowState;

// The polling addresses the connection searches, first to last.
struct PollRange {
  int first = 0;
  int last = 15;
};

// The data bytes of command 0's reply the program decodes: up to the device ID.
inline constexpr int kIdentifierBytes = 12;

// What command 0 told about the device the search found.
struct DeviceIdentity {
  int pollingAddress = 0;
  bool identified = false;  // command 0 was answered; the numbers below are from it
  unsigned manufacturer = 0;
  unsigned deviceType = 0;
  unsigned universalRevision = 0;
  unsigned specificRevision = 0;
  unsigned softwareRevision = 0;
  unsigned hardwareRevision = 0;  // the upper five bits of its byte
  unsigned deviceId = 0;
};

// What the connection's own reads found, for the pages to show.
struct ConnectionReadings {
  std::optional<int> setpointSourceCode;  // command 141's byte, when it was read
  bool processValuesRead = false;         // the live reading holds command 3's values
};

// Which command's message the device burst, as burst monitoring told it by
// the message's length.
enum class BurstCommand {
  Other = 0,             // a length of no known message: the values last known repeat
  Position = 1,          // command 1: the position with its unit
  LoopCurrent = 2,       // command 2: the loop current (and the percent of range)
  DynamicVariables = 3,  // command 3: setpoint, position, temperature and pressure
};

// A burst message as burst monitoring took it.
struct BurstMessage {
  BurstCommand command = BurstCommand::Other;
  float loopCurrent = 0;  // of command 2's message
  BurstReading reading;   // the live values after this message
};

struct PageModule {
  const char* name;     // the page's object name ("TabSheetSetup")
  const char* caption;  // its tab caption ("SETUP")

  // Puts the page's controls to the values the program starts with.
  void (*defaults)(FormState& form, WindowState& window) = nullptr;

  PageJob read = nullptr;
  PageJob send = nullptr;

  // Which of the page's controls the connection state enables.
  std::vector<ControlStateRule> controlRules = {};

  // Where the connection searches; the first module that has one decides.
  PollRange (*searchRange)(const FormState& form) = nullptr;
  // Which command's message the device is to burst (1, 2 or 3); the first
  // module that has one decides, else 3.
  int (*burstCommand)(const FormState& form) = nullptr;
  // The search found a device at a polling address and asked it who it is.
  void (*deviceFound)(const JobContext& job, const DeviceIdentity& identity) = nullptr;
  // The connection stands and its first reads are done.
  void (*afterConnect)(const JobContext& job, const ConnectionReadings& readings) = nullptr;
  // Burst monitoring took a message (on the command thread).
  void (*afterBurstSample)(const JobContext& job, const BurstMessage& message) = nullptr;
};

// The modules in tab order, as the program installs them.
using PageModules = std::vector<const PageModule*>;

}  // namespace velk
