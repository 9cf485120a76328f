// APPEARANCE: display language, default display and the units of the values.
#include "command_registry.h"
#include "setting_handlers.h"
#include "units.h"

namespace velk::sim {

namespace {

constexpr auto kAppearance = &DeviceState::appearance;
constexpr std::uint8_t kLastLanguage = 5;
constexpr std::uint8_t kLastDefaultDisplay = 3;

// The variable is named by its slot in the dynamic variables (0 primary ..
// 3 fourth); the unit stays with the device variable assigned there. A
// variable of fixed unit takes only that unit.
void write_variable_units(CommandContext& c) {
  const auto slot = c.request_u8(0);
  if (slot >= c.state.control.dynamic_variables.size()) return c.refuse(response::kInvalidVariableCode);
  const auto variable = c.state.control.dynamic_variables[slot];
  const auto code = c.request_u8(1);
  if (!unit_allowed(variable, code)) return c.refuse(response::kInvalidUnitsCode);
  if (auto* stored = unit_of(c.state.units, variable)) *stored = code;
  c.echo_request(2);
}

}  // namespace

void register_appearance_commands(CommandRegistry& registry) {
  registry.add(53, {2, Access::Write, write_variable_units});
  registry.add(
      210, {1, Access::Write, write_byte_setting<kAppearance, &AppearanceSettings::language, kLastLanguage>});
  registry.add(211, {0, Access::Read, read_byte_setting<kAppearance, &AppearanceSettings::language>});
  registry.add(212,
               {1, Access::Write,
                write_byte_setting<kAppearance, &AppearanceSettings::default_display, kLastDefaultDisplay>});
  registry.add(213, {0, Access::Read, read_byte_setting<kAppearance, &AppearanceSettings::default_display>});
}

}  // namespace velk::sim
