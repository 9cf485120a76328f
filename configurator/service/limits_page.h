#pragma once
// The LIMITS page's widgets: the 67 symptom limits with their numbers and
// captions, "Download" and "Set defaults". Its operations are in
// limits_operations.h.

class QWidget;

namespace velk {

struct PageContext;

QWidget* createLimitsPage(PageContext& context);

}  // namespace velk
