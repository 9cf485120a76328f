#pragma once
// Choosing the serial device each COM port opens: from the devices present,
// typed as a path, or a HART-IP address the library opens a session with.

#include <QDialog>
#include <QStringList>
#include <array>

#include "model/window_state.h"
#include "registry/device_settings.h"

class QComboBox;

namespace velk {

class SerialDeviceDialog : public QDialog {
  Q_OBJECT

 public:
  using Devices = std::array<QString, kComPortCount>;  // empty: the port's default

  SerialDeviceDialog(const Devices& chosen, const QStringList& present, QWidget* parent = nullptr);
  Devices devices() const;
  // The port's device is set by the environment for this run: shown, not
  // editable, and the stored choice is kept.
  void setPortFixed(int port, const QString& device);

 private:
  Devices chosen_;
  std::array<QComboBox*, kComPortCount> editors_{};
};

}  // namespace velk
