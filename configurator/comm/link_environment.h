#pragma once
// The environment the link library reads when it opens a port: MIRELL_COM<n>
// names the serial device or HART-IP address COM port n opens, and
// MIRELL_HARTIP_PSK_FILE the key file of a secure HART-IP port.
//
// setenv while another thread calls getenv is undefined behaviour, so the
// program writes these only on the GUI thread and only while no thread is
// inside the library (Configurator::writeLinkEnvironment).

#include <string>
#include <vector>

namespace velk {

struct WindowState;

struct EnvironmentVariable {
  std::string name;
  std::string value;  // empty: the variable is unset
};
using EnvironmentVariables = std::vector<EnvironmentVariable>;

// What the window's choices ask of the library: MIRELL_COM<n> for every
// port that opens another device than its default, and the key file.
EnvironmentVariables linkEnvironment(const WindowState& window);

// Sets (or unsets) each variable whose value differs from the process's.
void writeEnvironment(const EnvironmentVariables& variables);

}  // namespace velk
