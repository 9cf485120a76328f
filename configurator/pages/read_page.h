#pragma once
// The READ page's widgets: device data, HART identity and addresses,
// statistics. Its operations are in read_operations.h.

class QWidget;

namespace velk {

struct PageContext;

QWidget* createReadPage(PageContext& context);

}  // namespace velk
