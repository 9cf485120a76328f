#pragma once
// The column of status texts and command buttons at the left of the window.

#include <QWidget>

namespace velk {

inline constexpr int kLeftColumnWidth = 150;

class Configurator;
class FormBinder;

class LeftColumn : public QWidget {
  Q_OBJECT

 public:
  LeftColumn(Configurator& core, FormBinder& binder, QWidget* parent = nullptr);

 private:
  void ButtonConnectClick();

  Configurator& core_;
};

}  // namespace velk
