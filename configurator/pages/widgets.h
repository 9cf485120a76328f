#pragma once
// The widgets of this folder's pages, each with its module.

#include "ui/page_context.h"

namespace velk {

const PageWidgetsList& pagesPageWidgets();

}  // namespace velk
