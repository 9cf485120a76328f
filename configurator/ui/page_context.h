#pragma once
// What a page's widgets are built with: the program's core (form state,
// window state, command thread), the binder that ties the widgets to the
// form state, the folders the page's file dialogs start in, and the page's
// own name, which its posted operations carry (PageActivity).

#include <QString>
#include <vector>

class QWidget;

namespace velk {

class Configurator;
class FormBinder;
struct PageModule;
struct ProgramPaths;

struct PageContext {
  Configurator& core;
  FormBinder& binder;
  const ProgramPaths& paths;
  QString page;  // the page module's name
};

using PageFactory = QWidget* (*)(PageContext& context);

// A page module and the widgets that show it. Each page folder lists its
// pages' (`<folder>/widgets.h`); the window matches them to the modules.
struct PageWidgets {
  const PageModule* module;
  PageFactory create;
};
using PageWidgetsList = std::vector<PageWidgets>;

}  // namespace velk
