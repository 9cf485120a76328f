#pragma once
// The About box: banner, program name and version, OK.

#include <QDialog>

namespace velk {

class TAboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutBox(QWidget* parent = nullptr);
};

}  // namespace velk
