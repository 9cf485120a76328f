#include "model/window_state.h"

namespace velk {

ControlConditions WindowState::conditions() const {
  return {Connected.load(),       WriteProtected.load(),     OutOfService.load(),
          SetPointSource.load(),  DeviceType.load(),         DeviceVersion.load(),
          SequenceRunning.load(), CalibrationRunning.load(), LinkOpen.load()};
}

QString WindowState::ConfigFileName() const {
  std::lock_guard lock(mutex_);
  return configFileName_;
}

void WindowState::setConfigFileName(const QString& name) {
  std::lock_guard lock(mutex_);
  configFileName_ = name;
}

QString WindowState::LastGraphFile() const {
  std::lock_guard lock(mutex_);
  return lastGraphFile_;
}

void WindowState::setLastGraphFile(const QString& name) {
  std::lock_guard lock(mutex_);
  lastGraphFile_ = name;
}

QString defaultPortDevice(int port) { return QString("/dev/ttyS%1").arg(port - 1); }

QString WindowState::portDevice(int port) const {
  if (port < 1 || port > kComPortCount) return {};
  std::lock_guard lock(mutex_);
  const QString& chosen = portDevices_[port - 1];
  return chosen.isEmpty() ? defaultPortDevice(port) : chosen;
}

void WindowState::setPortDevice(int port, const QString& device) {
  if (port < 1 || port > kComPortCount) return;
  std::lock_guard lock(mutex_);
  portDevices_[port - 1] = device.trimmed();
}

QString WindowState::HartIpKeyFile() const {
  std::lock_guard lock(mutex_);
  return hartIpKeyFile_;
}

void WindowState::setHartIpKeyFile(const QString& path) {
  std::lock_guard lock(mutex_);
  hartIpKeyFile_ = path.trimmed();
}

QString WindowState::LongAddress() const {
  std::lock_guard lock(mutex_);
  return longAddress_;
}

void WindowState::setLongAddress(const QString& address) {
  std::lock_guard lock(mutex_);
  longAddress_ = address;
}

QString WindowState::DecimalSeparator() const {
  std::lock_guard lock(mutex_);
  return decimalSeparator_;
}

void WindowState::setDecimalSeparator(const QString& separator) {
  std::lock_guard lock(mutex_);
  decimalSeparator_ = separator;
}

}  // namespace velk
