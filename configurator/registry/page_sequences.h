#pragma once
// "Read All" and "Send All" (requests 666 and 667 of the command thread): the
// pages' reads, or sends, in a fixed order, one page per turn of the thread,
// so burst monitoring runs between two pages. While a sequence runs every
// page it touches is busy, "Read All", "Send All" and "Factory Reset" are
// disabled, and "Communicating..." shows; a disconnection ends it.

#include <QStringList>

namespace velk {

class Configurator;

// The pages by name: APPEARANCE, CONTROL, SETUP, CHARACTERISTICS, TUNING,
// ALARMS and READ for reading; the same but READ for sending.
const QStringList& readAllPages();
const QStringList& sendAllPages();

// Registers the two request handlers. Before the command thread starts.
void installPageSequences(Configurator& core);

}  // namespace velk
