#pragma once
// What a page's widgets are built with: the program's core (form state,
// window state, command thread), the binder that ties the widgets to the
// form state, and the folders the page's file dialogs start in.

class QWidget;

namespace velk {

class Configurator;
class FormBinder;
struct ProgramPaths;

struct PageContext {
  Configurator& core;
  FormBinder& binder;
  const ProgramPaths& paths;
};

using PageFactory = QWidget* (*)(PageContext& context);

}  // namespace velk
