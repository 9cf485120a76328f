#pragma once
// "View readme file": the readme in a window of its own, with a way on to the
// desktop's text viewer.

#include <QDialog>

namespace velk {

class ReadmeViewer : public QDialog {
  Q_OBJECT

 public:
  ReadmeViewer(const QString& path, QWidget* parent = nullptr);
};

}  // namespace velk
