#include "shell/serial_device_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velk {

namespace {

constexpr const char* kLocalHartIp = "hart-ip://127.0.0.1";

}  // namespace

SerialDeviceDialog::SerialDeviceDialog(const Devices& chosen, const QStringList& present,
                                       const QString& keyFile, QWidget* parent)
    : QDialog(parent), chosen_(chosen), chosenKeyFile_(keyFile) {
  setObjectName("SerialDeviceDialog");
  setWindowTitle("Serial devices of the COM ports");
  auto* layout = new QVBoxLayout(this);
  auto* hint = new QLabel(
      "Choose the serial device each COM port opens, or type its path. A COM port "
      "may also reach a HART-IP gateway or device: type hart-ip://HOST[:PORT] (UDP) "
      "or hart-ip+tcp://HOST[:PORT] (port 5094 unless given), or a secured one: "
      "hart-ip+tls://HOST[:PORT] or hart-ip+dtls://HOST[:PORT] with the key file below. "
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
  // The key file's path only: the key stays in the file, private to its owner.
  keyFile_ = new QLineEdit(keyFile, this);
  keyFile_->setObjectName("HartIpKeyFile");
  keyFile_->setPlaceholderText("IDENTITY KEYHEX file, mode 0600 (secure HART-IP only)");
  auto* browse = new QPushButton("Browse...", this);
  browse->setObjectName("HartIpKeyFileBrowse");
  connect(browse, &QPushButton::clicked, this, [this] {
    const QString path = QFileDialog::getOpenFileName(this, "HART-IP key file", keyFile_->text());
    if (!path.isEmpty()) keyFile_->setText(path);
  });
  auto* keyRow = new QHBoxLayout;
  keyRow->addWidget(keyFile_, 1);
  keyRow->addWidget(browse);
  form->addRow("HART-IP key file :", keyRow);
  // Where the device history is kept: a file, or a plant's shared store.
  historyStore_ = new QLineEdit(this);
  historyStore_->setObjectName("HistoryStoreChoice");
  historyStore_->setPlaceholderText("history.sqlite in the data folder (default), a file, or "
                                    "postgresql://USER@HOST[:PORT]/DBNAME");
  form->addRow("Device history :", historyStore_);
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

void SerialDeviceDialog::setKeyFileFixed(const QString& path) {
  keyFile_->setText(path);
  keyFile_->setEnabled(false);
  keyFile_->setToolTip("Set by MIRELL_HARTIP_PSK_FILE for this run");
  findChild<QPushButton*>("HartIpKeyFileBrowse")->setEnabled(false);
}

void SerialDeviceDialog::setHistoryStore(const QString& choice) {
  chosenHistoryStore_ = choice;
  historyStore_->setText(choice);
}

void SerialDeviceDialog::setHistoryStoreFixed(const QString& choice) {
  historyStore_->setText(choice);
  historyStore_->setEnabled(false);
  historyStore_->setToolTip("Set by VELK_HISTORY for this run");
}

QString SerialDeviceDialog::historyStore() const {
  return historyStore_->isEnabled() ? historyStore_->text().trimmed() : chosenHistoryStore_;
}

QString SerialDeviceDialog::keyFile() const {
  return keyFile_->isEnabled() ? keyFile_->text().trimmed() : chosenKeyFile_;
}

SerialDeviceDialog::Devices SerialDeviceDialog::devices() const {
  Devices devices;
  for (int i = 0; i < kComPortCount; ++i)
    devices[i] = editors_[i]->isEnabled() ? editors_[i]->currentText().trimmed() : chosen_[i];
  return devices;
}

}  // namespace velk
