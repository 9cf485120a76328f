// The serial port that carries the HART modem, on a Linux terminal device.
#pragma once

#include <memory>
#include <string>

#include "link_port.h"

namespace mirell {

// COM port n: the device named by MIRELL_COM<n> when that is set, else
// /dev/ttyS<n-1>. Empty for a port number below 1.
std::string comPortPath(int port);

// Opens `path` for the link: exclusively, raw, 1200 baud 8O1 with parity
// marking, DTR raised, the carrier keyed by the kernel's RS-485 mode where
// the driver offers it. Null when the device cannot be opened, is held by
// another program or refuses the settings; errno then says why (EBUSY when
// another program holds it). Closing restores the settings the device had.
std::unique_ptr<LinkPort> openSerialPort(const std::string& path);

std::unique_ptr<LinkPort> openComPort(int port);

}  // namespace mirell
