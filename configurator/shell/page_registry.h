#pragma once
// The pages of the window's page control, in order. A page is a widget class
// of its own, created here by its factory; a page whose controls have not
// been built yet shows only its caption.

#include <QString>
#include <vector>

class QWidget;

namespace velk {

class Configurator;
class FormBinder;
struct ProgramPaths;

struct PageContext {
  Configurator& core;
  FormBinder& binder;
  const ProgramPaths& paths;  // the folders the pages' file dialogs start in
};

using PageFactory = QWidget* (*)(PageContext& context);

struct PageEntry {
  const char* name;     // the page's object name
  const char* caption;  // its tab caption
  PageFactory create;   // nullptr: a page that shows its caption only
};

const std::vector<PageEntry>& pageRegistry();

QWidget* createPage(const PageEntry& entry, PageContext& context);

}  // namespace velk
