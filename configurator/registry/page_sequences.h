#pragma once
// "Read All" and "Send All" (requests 666 and 667 of the command thread): the
// pages' reads, or sends, in a fixed order, one page per turn of the thread,
// so burst monitoring runs between two pages. While a sequence runs every
// page it touches is busy, "Read All", "Send All" and "Factory Reset" are
// disabled, and "Communicating..." shows; a disconnection ends it.

#include <QString>
#include <QStringList>

#include "comm/page_module.h"

namespace velk {

class Configurator;
struct WindowState;

// The modules in the order of the places they give themselves:
// APPEARANCE, CONTROL, SETUP, CHARACTERISTICS, TUNING, ALARMS and READ for
// reading; the same but READ for sending.
const PageModules& readAllModules();
const PageModules& sendAllModules();

// The module whose send writes a configuration file's key; nullptr for a key
// that "Send All" does not write.
const PageModule* moduleSendingKey(const QString& key);

// The configuration file's keys that the sends of `modules` write, in file
// order, for the device version and custom curve the window holds.
QStringList keysSentBy(const PageModules& modules, const WindowState& window);

// Registers the two request handlers. Each hands its sequence to the device
// history when it ends (WindowState::History). Before the command thread starts.
void installPageSequences(Configurator& core);

}  // namespace velk
