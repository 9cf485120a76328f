#pragma once
// What a page's widgets are built with: the program's core (form state,
// window state, command thread), the binder that ties the widgets to the
// form state, the folders the page's file dialogs start in, and the page's
// own name, which its posted operations carry (PageActivity).

#include <QString>

class QWidget;

namespace velk {

class Configurator;
class FormBinder;
struct ProgramPaths;

struct PageContext {
  Configurator& core;
  FormBinder& binder;
  const ProgramPaths& paths;
  QString page;  // the page module's name
};

using PageFactory = QWidget* (*)(PageContext& context);

}  // namespace velk
