#include "shell/about_box.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/banner.h"

namespace velk {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName("AboutBox");
  setWindowTitle("About");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new Banner(this));
  auto* product = new QLabel("Velk Configurator", this);
  product->setObjectName("ProductName");
  QFont bold = product->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.3);
  product->setFont(bold);
  auto* version = new QLabel("Version: " VELK_VERSION_TEXT, this);
  version->setObjectName("Version");
  for (QLabel* label : {product, version}) {
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
  }
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
  ok->setObjectName("OKButton");
  buttons->setCenterButtons(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
  setFixedSize(sizeHint().expandedTo(QSize(480, 0)));
}

}  // namespace velk
