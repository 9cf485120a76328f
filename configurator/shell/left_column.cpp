#include "shell/left_column.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "comm/configurator.h"
#include "files/factory_reset.h"
#include "ui/form_binder.h"

namespace velk {

namespace {

const QColor kStatusBackground(255, 255, 0);

QLabel* addLabel(QVBoxLayout* layout, const char* name, const char* text) {
  auto* label = new QLabel(text);
  label->setObjectName(name);
  layout->addWidget(label);
  return label;
}

// The status texts: bold, on yellow, black or red.
QLabel* addStatusText(QVBoxLayout* layout, const char* name, const char* text, QColor color) {
  QLabel* label = addLabel(layout, name, text);
  label->setAlignment(Qt::AlignCenter);
  label->setAutoFillBackground(true);
  label->setMinimumHeight(label->fontMetrics().height() + 8);
  QPalette palette = label->palette();
  palette.setColor(QPalette::Window, kStatusBackground);
  palette.setColor(QPalette::WindowText, color);
  label->setPalette(palette);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}

QPushButton* addButton(QVBoxLayout* layout, const char* name, const char* caption, bool enabled) {
  auto* button = new QPushButton(caption);
  button->setObjectName(name);
  button->setEnabled(enabled);
  layout->addWidget(button);
  return button;
}

}  // namespace

LeftColumn::LeftColumn(Configurator& core, FormBinder& binder, QWidget* parent)
    : QWidget(parent), core_(core) {
  setObjectName("LeftColumn");
  setFixedWidth(kLeftColumnWidth);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);

  addLabel(layout, "StaticText4", "Connection :");
  addStatusText(layout, "StaticText1", "DISCONNECTED", Qt::red);
  QPushButton* connectButton = addButton(layout, "ButtonConnect", "Connect", true);
  layout->addSpacing(10);

  addLabel(layout, "StaticText5", "Status :");
  addStatusText(layout, "StaticText2", "IN SERVICE", Qt::red);
  QPushButton* service = addButton(layout, "ButtonInOutService", "Out Of Service", false);
  layout->addSpacing(10);

  addLabel(layout, "StaticText6", "Parameters :");
  addStatusText(layout, "StaticText7", "", Qt::black);
  QPushButton* readAll = addButton(layout, "ButtonReadAll", "Read All", false);
  QPushButton* sendAll = addButton(layout, "ButtonSendAll", "Send All", false);
  layout->addSpacing(10);

  QPushButton* factoryReset = addButton(layout, "ButtonFactoryReset", "Factory Reset", false);
  addLabel(layout, "StaticText3", "Password :");
  auto* password = new QLineEdit("7615");
  password->setObjectName("EditPassword");
  password->setFixedWidth(password->fontMetrics().horizontalAdvance("0000") + 16);
  layout->addWidget(password);
  addStatusText(layout, "LabelProtected", "", Qt::red);
  layout->addStretch();

  binder.bindNamedChildren(this);

  connect(connectButton, &QPushButton::clicked, this, &LeftColumn::ButtonConnectClick);
  connect(service, &QPushButton::clicked, this,
          [this] { core_.commands.postRequest(kRequestServiceToggle); });
  connect(readAll, &QPushButton::clicked, this, [this] { core_.commands.postRequest(kRequestReadAll); });
  connect(sendAll, &QPushButton::clicked, this, [this] { core_.commands.postRequest(kRequestSendAll); });
  connect(factoryReset, &QPushButton::clicked, this, [this] {
    core_.commands.post("factory reset",
                        [](const JobContext& job) { ButtonFactoryResetClick(job, Sender::Click); });
  });
}

// Toggles the wish for a connection; the background thread connects or
// disconnects. Writing stays blocked until the device's protection is read.
void LeftColumn::ButtonConnectClick() {
  // The port about to be opened is the one chosen now.
  if (!core_.window.Connected.load()) core_.writeLinkEnvironment();
  core_.window.Connected.store(!core_.window.Connected.load());
  core_.window.WriteProtected.store(true);
  core_.commands.postRequest(kRequestConnection);
}

}  // namespace velk
