#pragma once
// The program's pages, without widgets: the eighteen modules in tab order,
// the window's own control rules, and what start-up does with them. The
// window adds each page's widgets (shell/window_pages.cpp); the command-line
// front end uses the modules as they are.

#include "comm/configurator.h"
#include "comm/page_module.h"

namespace velk {

// The modules in tab order.
const PageModules& pageModules();

// The modules that give themselves a place (`configurationPlace`,
// `readAllPlace`, `sendAllPlace`), in the order of their places.
PageModules modulesByPlace(int PageModule::*place);

// What UpdateControlStates applies: the rules of the window's own controls
// (the Comport menu, the service, Read All, Send All and Factory Reset
// buttons), then every page's.
ControlStateRules controlStateRules();

// Hands the modules and the window's rules to the core. Before its command
// thread starts.
void installPageModules(Configurator& core);

// The values the window's controls start with: the decimal separator first
// (the locale's unless given), then every page's defaults in tab order.
void applyStartupDefaults(FormState& form, WindowState& window);
void applyStartupDefaults(FormState& form, WindowState& window, const QString& decimalSeparator);

}  // namespace velk
