#include "comm/command_catalogue.h"

#include <array>
#include <string_view>
#include <utility>

namespace velk {

namespace {

// Blanks at the ends of some names ("Read Transfer code, ", "Write Mode ") are
// part of the names and appear as such in the log.
constexpr std::pair<int, std::string_view> kNamedCommands[] = {
    {0, "Read Identifier"},
    {1, "Read Position"},
    {2, "Read Current and % of range"},
    {3, "Read four variables and unit"},
    {4, "Try To Init Hart Comport"},
    {5, "The Instruments Connection"},
    {6, "Write polling address"},
    {7, "Read Device"},
    {11, "Read Tag"},
    {12, "Read Message"},
    {13, "Read Tag, Descriptor, Date"},
    {14, "Read Sensor information"},
    {15, "Read Transfer code, "},
    {16, "Read Assembly number"},
    {17, "Write Message"},
    {18, "Write Tag, Descriptor, Date"},
    {19, "Write Assembly number"},
    {33, "Read transmitter variables"},
    {34, "Write damping value"},
    {35, "Write Set point range values"},
    {36, "Set upper range"},
    {37, "Set lower range"},
    {38, "Reset config. Flag"},
    {39, "EEPROM control"},
    {40, "Enter/exit fixed current mode"},
    {41, "Preform transmitter reset"},
    {42, "Preform master reset"},
    {43, "Set PVzero"},
    {44, "Write setpoint units"},
    {47, "Write transfer function"},
    {48, "Read Alarm status and Selftest status"},
    {49, "Write Setpoint sensor serial number"},
    {50, "Read Setpoint, Position, Temp, Pressure, Aux"},
    {51, "Write Setpoint, Position, Temp, Pressure, Aux"},
    {53, "Write unit"},
    {59, "Write number of preambles"},
    {105, "Read Burst config"},
    {108, "Write Burst mode"},
    {109, "Burst mode control"},
    {138, "Write Actuator Function"},
    {139, "Read Actuator Function"},
    {140, "Write Set point mode"},
    {141, "Read Set point mode"},
    {142, "Write Set point"},
    {143, "Read Set point"},
    {145, "Read Aux input"},
    {146, "Read Operational statistics"},
    {147, "Read Maintenance statistics"},
    {148, "Reset Statistics"},
    {150, "Write Mode "},
    {151, "Read Mode"},
    {152, "Write Actuator size"},
    {153, "Read Actuator size"},
    {154, "Write Protection"},
    {155, "Read Protection"},
    {156, "Start Leak test"},
    {157, "Abort Leak test"},
    {158, "Read Calibration status"},
    {159, "Start Auto Calibrate"},
    {160, "Abort Auto Calibrate"},
    {161, "Start Auto tune"},
    {162, "Abort Auto tune"},
    {163, "Start toggle"},
    {164, "Stop toggle"},
    {165, "Write Gain"},
    {166, "Read Gain"},
    {167, "Write PID parameters"},
    {168, "Read PID parameters"},
    {169, "Write Open, Close time"},
    {170, "Read Open, Close time"},
    {171, "Write Deadband"},
    {172, "Read Deadband"},
    {173, "Write Actuator type"},
    {174, "Read Actuator type"},
    {175, "Write Direction"},
    {176, "Read Direction"},
    {177, "Write Stroke length"},
    {178, "Read Stroke length"},
    {179, "Write Max Valve rotation"},
    {180, "Read Max Valve rotation"},
    {181, "Write Range values"},
    {182, "Read Range values"},
    {183, "Write High or Low end"},
    {184, "Read High or Low end"},
    {185, "Write Cutoff"},
    {186, "Read Cutoff"},
    {187, "Write Limit"},
    {188, "Read Limit"},
    {189, "Write Number of points"},
    {190, "Read Number of points"},
    {191, "Write Custom curve"},
    {192, "Read Custom curve"},
    {193, "Calibrate Low Setpoint"},
    {194, "Calibrate High Setpoint"},
    {195, "Calibrate Low Pressure"},
    {196, "Calibrate High Pressure"},
    {197, "Calibrate Temperature"},
    {198, "Calibrate Low Aux"},
    {199, "Calibrate High Aux"},
    {203, "Write Language"},
    {204, "Read Language"},
    {205, "Write Default display"},
    {206, "Read Default display"},
    {207, "Write Protection Password"},
    {213, "Write Deviation alarm"},
    {214, "Read Deviation alarm"},
    {215, "Write Limit 1 Alarm"},
    {216, "Read Limit 1 Alarm"},
    {217, "Write Limit 2 Alarm"},
    {218, "Read Limit 2 Alarm"},
    {219, "Write Aux Alarm"},
    {220, "Read Aux Alarm"},
    {221, "Write Temperature Alarm"},
    {222, "Read Temperature Alarm"},
    {223, "Write Pot<>Aux Alarm"},
    {224, "Read Pot<>Aux Alarm"},
    {228, "Factory reset"},
    {229, "Undo configuration"},
    {230, "Write Failure control"},
    {231, "Read Failure control"},
};

constexpr std::array<std::string_view, kCatalogueSize> buildCatalogue() {
  std::array<std::string_view, kCatalogueSize> names{};
  for (const auto& [command, name] : kNamedCommands) names[command] = name;
  return names;
}

constexpr auto kCatalogue = buildCatalogue();

}  // namespace

std::string commandName(int command) {
  if (command >= 0 && command < kCatalogueSize && !kCatalogue[command].empty())
    return std::string(kCatalogue[command]);
  return "Command " + std::to_string(command);
}

}  // namespace velk
