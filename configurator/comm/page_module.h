#pragma once
// One page of the program as the code without widgets sees it: its name and
// caption, the values it starts with and gets back from "&Default", its read
// and send, the rules that enable its controls, its lines of the
// configuration file, its places in Read All and Send All, and the hooks
// through which it follows the connection, burst monitoring and a loaded
// configuration. Shared code loops over the modules (start values, control
// states, the configuration file, "&Default", the sequences, hooks); the
// command thread calls the hooks without knowing which pages there are.
//
// Every field but the name and the caption is optional.

#include <QStringList>
#include <optional>
#include <vector>

#include "comm/configuration_fields.h"
#include "comm/device_identity.h"
#include "comm/page_operation.h"
#include "model/control_states.h"
#include "model/dynamic_variables.h"
#include "model/form_fields.h"

namespace velk {

class Configurator;
class FormState;
struct WindowState;

// The polling addresses the connection searches, first to last.
struct PollRange {
  int first = 0;
  int last = 15;
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

// A configuration file or "&Default" has just put its values into the form.
struct LoadedConfiguration {
  Configurator& core;
  // The controls whose text, item or check it changed.
  QStringList changedControls;
  // The window applies what it loads: the device follows at once where a
  // value calls for it (the setpoint source). `velk` loads a file to compare
  // it with the device and sends what differs itself.
  bool followOnDevice = true;

  bool changed(const char* control) const { return changedControls.contains(QLatin1String(control)); }
};

struct PageModule {
  const char* name;     // the page's object name ("TabSheetSetup")
  const char* caption;  // its tab caption ("SETUP")

  // The page's one table of default values: what its controls start with
  // and what "&Default" puts back (each row says which of the two it serves;
  // "&Default" takes the rows in table order, modules in configuration place).
  const PageDefaults& (*defaultValues)() = nullptr;
  // What start-up does for the page after its table's start values.
  void (*defaults)(FormState& form, WindowState& window) = nullptr;

  PageJob read = nullptr;
  PageJob send = nullptr;
  // The page's Read and Send buttons, whose clicks run `read` and `send`:
  // Read is enabled while connected, Send while the settings may be changed
  // (out of service only, where `sentOutOfServiceOnly`).
  const char* readButton = nullptr;
  const char* sendButton = nullptr;

  // Which of the page's controls the connection state enables.
  std::vector<ControlStateRule> controlRules = {};

  // The page's place in the configuration file, 1 first (0: it has no
  // fields there), and its fields' lines in file order.
  int configurationPlace = 0;
  std::vector<ConfigEntry> configurationEntries = {};

  // The page's place in "Read All" and in "Send All", 1 first; 0 leaves it out.
  int readAllPlace = 0;
  int sendAllPlace = 0;
  // The configuration file's keys whose values the page's send writes; a key
  // ending in a blank or "(" stands for every key it starts ("ALARM ", "X(").
  std::vector<const char*> sentKeys = {};
  // The device takes those settings only while it is out of service.
  bool sentOutOfServiceOnly = false;
  // What sending a file's differing values of this page runs, where that is
  // not the page's whole send (CONTROL's would also move the valve).
  PageJob sendFromFile = nullptr;

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
  // On the GUI thread (the window) or the caller's (`velk`).
  void (*afterConfigurationLoaded)(const LoadedConfiguration& loaded) = nullptr;
};

// The modules in tab order, as the program installs them.
using PageModules = std::vector<const PageModule*>;

}  // namespace velk
