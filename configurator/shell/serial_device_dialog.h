#pragma once
// Choosing the serial device each COM port opens: from the devices present,
// typed as a path, or a HART-IP address the library opens a session with;
// the key file of the secure HART-IP addresses (its path, never the key),
// and where the device history is kept.

#include <QDialog>
#include <QStringList>
#include <array>

#include "model/window_state.h"
#include "registry/device_settings.h"

class QComboBox;
class QLineEdit;

namespace velk {

class SerialDeviceDialog : public QDialog {
  Q_OBJECT

 public:
  using Devices = std::array<QString, kComPortCount>;  // empty: the port's default

  SerialDeviceDialog(const Devices& chosen, const QStringList& present, const QString& keyFile = {},
                     QWidget* parent = nullptr);
  Devices devices() const;
  QString keyFile() const;
  // The port's device is set by the environment for this run: shown, not
  // editable, and the stored choice is kept.
  void setPortFixed(int port, const QString& device);
  // The same for the key file (MIRELL_HARTIP_PSK_FILE).
  void setKeyFileFixed(const QString& path);
  // Where the device history is kept: a file path, a PostgreSQL address, or
  // empty for the default file. Fixed: VELK_HISTORY chooses for this run.
  void setHistoryStore(const QString& choice);
  void setHistoryStoreFixed(const QString& choice);
  QString historyStore() const;

 private:
  Devices chosen_;
  QString chosenKeyFile_;
  std::array<QComboBox*, kComPortCount> editors_{};
  QLineEdit* keyFile_ = nullptr;
  QString chosenHistoryStore_;
  QLineEdit* historyStore_ = nullptr;
};

}  // namespace velk
