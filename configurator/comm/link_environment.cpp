#include "comm/link_environment.h"

#include <QByteArray>
#include <QFile>

#include "model/window_state.h"

namespace velk {

EnvironmentVariables linkEnvironment(const WindowState& window) {
  EnvironmentVariables variables;
  for (int port = 1; port <= kComPortCount; ++port) {
    const QString device = window.portDevice(port);
    variables.push_back({"MIRELL_COM" + std::to_string(port),
                         device == defaultPortDevice(port) ? std::string() : device.toStdString()});
  }
  variables.push_back({kHartIpKeyFileVariable, QFile::encodeName(window.HartIpKeyFile()).toStdString()});
  return variables;
}

void writeEnvironment(const EnvironmentVariables& variables) {
  for (const EnvironmentVariable& variable : variables) {
    // Qt's own readers of the environment take the lock these take.
    const char* name = variable.name.c_str();
    if (variable.value.empty()) {
      if (qEnvironmentVariableIsSet(name)) qunsetenv(name);
      continue;
    }
    const QByteArray value = QByteArray::fromStdString(variable.value);
    if (qgetenv(name) != value) qputenv(name, value);
  }
}

}  // namespace velk
