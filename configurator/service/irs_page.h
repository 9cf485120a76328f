#pragma once
// The IRS page's widgets: "Get Group", "Get Array" with their lists, and
// "Reverse Bytes to Float". Its operations are in irs_operations.h.

class QWidget;

namespace velk {

struct PageContext;

QWidget* createIrsPage(PageContext& context);

}  // namespace velk
