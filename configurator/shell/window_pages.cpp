#include "shell/window_pages.h"

#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

#include "diagnostics/widgets.h"
#include "files/widgets.h"
#include "pages/widgets.h"
#include "service/widgets.h"

namespace velk {

namespace {

// The widgets of a module; nullptr for a module that has none yet.
PageFactory widgetsOf(const PageModule& module) {
  for (const PageWidgetsList* folder :
       {&diagnosticsPageWidgets(), &pagesPageWidgets(), &filesPageWidgets(), &servicePageWidgets()})
    for (const PageWidgets& widgets : *folder)
      if (widgets.module == &module) return widgets.create;
  return nullptr;
}

QWidget* createCaptionOnlyPage(const PageModule& module) {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* caption = new QLabel(module.caption, page);
  caption->setAlignment(Qt::AlignCenter);
  caption->setEnabled(false);
  QFont font = caption->font();
  font.setPointSizeF(font.pointSizeF() * 2);
  font.setBold(true);
  caption->setFont(font);
  layout->addWidget(caption);
  return page;
}

}  // namespace

QWidget* createPage(const PageModule& module, PageContext& context) {
  PageContext pageContext{context.core, context.binder, context.paths, module.name};
  const PageFactory widgets = widgetsOf(module);
  QWidget* page = widgets ? widgets(pageContext) : createCaptionOnlyPage(module);
  page->setObjectName(module.name);
  return page;
}

}  // namespace velk
