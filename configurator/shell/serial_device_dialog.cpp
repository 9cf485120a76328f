#include "shell/serial_device_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace velk {

namespace {

constexpr const char* kLocalHartIp = "hart-ip://127.0.0.1";

}  // namespace

SerialDeviceDialog::SerialDeviceDialog(const Devices& chosen, const QStringList& present, QWidget* parent)
    : QDialog(parent), chosen_(chosen) {
  setObjectName("SerialDeviceDialog");
  setWindowTitle("Serial devices of the COM ports");
  auto* layout = new QVBoxLayout(this);
  auto* hint = new QLabel(
      "Choose the serial device each COM port opens, or type its path. A COM port "
      "may also reach a HART-IP gateway or device: type hart-ip://HOST[:PORT] (UDP) "
      "or hart-ip+tcp://HOST[:PORT] (port 5094 unless given). "
      "Leave a port empty for its default device.",
      this);
  hint->setWordWrap(true);
  layout->addWidget(hint);
  auto* form = new QFormLayout;
  for (int port = 1; port <= kComPortCount; ++port) {
    auto* editor = new QComboBox(this);
    editor->setObjectName(QString("ComDevice%1").arg(port));
    editor->setEditable(true);
    editor->addItem(QString());
    editor->addItems(present);
    editor->addItem(kLocalHartIp);  // a simulator or gateway on this machine
    editor->lineEdit()->setPlaceholderText(defaultPortDevice(port) + " (default)");
    editor->setCurrentText(chosen[port - 1]);
    editor->setMinimumContentsLength(36);
    editors_[port - 1] = editor;
    form->addRow(QString("Comport %1 :").arg(port), editor);
  }
  layout->addLayout(form);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

void SerialDeviceDialog::setPortFixed(int port, const QString& device) {
  QComboBox* editor = editors_[port - 1];
  editor->setCurrentText(device);
  editor->setEnabled(false);
  editor->setToolTip(QString("Set by MIRELL_COM%1 for this run").arg(port));
}

SerialDeviceDialog::Devices SerialDeviceDialog::devices() const {
  Devices devices;
  for (int i = 0; i < kComPortCount; ++i)
    devices[i] = editors_[i]->isEnabled() ? editors_[i]->currentText().trimmed() : chosen_[i];
  return devices;
}

}  // namespace velk
