#pragma once
// One DIAG 2 data set drawn over the curve it is compared with (the
// device's baseline, or a record loaded in its place), on the same axes:
// the compared curve dashed in its own colour, the data set solid blue as
// DIAG 2 always drew it, and a legend naming both, so that a black-and-white
// print keeps them apart too. Each is drawn on its own points: curves of
// different lengths are never resampled onto one another.

#include <QColor>
#include <QRectF>
#include <QString>

#include "history/history_values.h"

class QPainter;

namespace velk {

namespace overlay_colour {
inline const QColor kNow{0, 0, 255};
inline const QColor kReference{200, 0, 0};
}  // namespace overlay_colour

// DIAG 2's graph box, whose pixels the pictures are laid out in.
inline constexpr int kDiag2GraphWidth = 545;
inline constexpr int kDiag2GraphHeight = 265;

// Draws `now` (its graph type is its title) over `reference` into `target`,
// DIAG 2's 545 x 265 picture scaled to fill it; nothing of `reference` and
// no legend without one. Point marks ("*") are drawn in the painter's font.
void drawDataSetOverReference(QPainter& painter, const QRectF& target, const HistoryValues& now,
                              const HistoryValues* reference, const QString& referenceName);

}  // namespace velk
