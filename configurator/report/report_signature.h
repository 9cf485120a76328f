#pragma once
// A signature record's curve on a report page: the values in the device's
// order across `area`, scaled to their own range, in black with a frame and
// the range's ends written beside it. A value whose block failed leaves a gap
// in the curve instead of a point that was never read.

#include <QRectF>

class QPainter;

namespace velk {

struct HistoryValues;

void drawSignature(QPainter& painter, const QRectF& area, const HistoryValues& values);

}  // namespace velk
