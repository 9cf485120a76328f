#include "shell/connection_check_dialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "comm/configurator.h"
#include "registry/connection_doctor.h"

namespace velk {

void showConnectionCheck(Configurator& core, QWidget* parent) {
  const WindowState& window = core.window;
  QList<ComPortDevice> comPorts;
  for (int port = 1; port <= kComPortCount; ++port) comPorts.append({port, window.portDevice(port)});
  SystemView system = runningSystem();
  DoctorFindings findings;
  if (window.Connected.load()) {
    // The link holds the port now; opening it again would only find it busy.
    system.openLine = nullptr;
    findings.append({DoctorFinding::Kind::Note,
                     QString("COM%1 is connected: its line is not tried while this program uses it")
                         .arg(window.ComPort.load()),
                     {}});
  }
  findings += checkConnection(system, comPorts, window.ComPort.load());

  auto* dialog = new QDialog(parent);
  dialog->setObjectName("ConnectionCheck");
  dialog->setWindowTitle("Check connection");
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  auto* text = new QPlainTextEdit(doctorReport(findings), dialog);
  text->setObjectName("ConnectionCheckFindings");
  text->setReadOnly(true);
  text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  auto* layout = new QVBoxLayout(dialog);
  layout->addWidget(text);
  layout->addWidget(buttons);
  dialog->resize(760, 360);
  dialog->open();
}

}  // namespace velk
