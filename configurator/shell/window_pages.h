#pragma once
// The widget side of the page registry: which page module is shown by which
// widgets. A module without widgets yet shows its caption.

#include "comm/page_module.h"
#include "ui/page_context.h"

class QWidget;

namespace velk {

// The widgets of a module's page, named after the module. `context` names no
// page; the page gets its own.
QWidget* createPage(const PageModule& module, PageContext& context);

}  // namespace velk
