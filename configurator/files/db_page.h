#pragma once
// The DB page's widgets: four lists of configuration, signature, trend and
// log files with their buttons, in two columns (files/modules.h has their
// fixed entries).

class QWidget;

namespace velk {

struct PageContext;

QWidget* createDbPage(PageContext& context);

}  // namespace velk
