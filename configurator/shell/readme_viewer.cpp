#include "shell/readme_viewer.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFile>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace velk {

ReadmeViewer::ReadmeViewer(const QString& path, QWidget* parent) : QDialog(parent) {
  setObjectName("ReadmeViewer");
  setWindowTitle("readme.txt");
  setAttribute(Qt::WA_DeleteOnClose);
  auto* layout = new QVBoxLayout(this);
  auto* text = new QPlainTextEdit(this);
  text->setObjectName("ReadmeText");
  text->setReadOnly(true);
  text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  QFile file(path);
  const bool readable = file.open(QIODevice::ReadOnly | QIODevice::Text);
  text->setPlainText(readable ? QString::fromUtf8(file.readAll())
                              : QString("The readme file %1 cannot be read.").arg(path));
  layout->addWidget(text);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  QPushButton* external = buttons->addButton("Open in text viewer", QDialogButtonBox::ActionRole);
  external->setEnabled(readable);
  connect(external, &QPushButton::clicked, this,
          [path] { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  resize(640, 520);
}

}  // namespace velk
