#pragma once
// The APPEARANCE page's widgets: the units, language and default display of
// the positioner's own display. Its operations are in appearance_operations.h.

class QWidget;

namespace velk {

struct PageContext;

QWidget* createAppearancePage(PageContext& context);

}  // namespace velk
