#pragma once
// The HART page's widgets: command, length and request bytes, the raw
// answer, and "Send". Its operation is in hart_operations.h.

class QWidget;

namespace velk {

struct PageContext;

QWidget* createHartPage(PageContext& context);

}  // namespace velk
