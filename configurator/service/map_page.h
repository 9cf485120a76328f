#pragma once
// The MAP page's widgets: a linker map file's symbols with a filter, the
// selection of up to 14 variables, read, write, and the selection file.
// Its operations are in map_operations.h.

class QWidget;

namespace velk {

struct PageContext;

QWidget* createMapPage(PageContext& context);

}  // namespace velk
