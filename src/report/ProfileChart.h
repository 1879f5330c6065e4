#pragma once
#include "scoring/Scoring.h"

#include <QColor>
#include <QPolygonF>
#include <QRectF>
#include <optional>

class QPainter;

// The profile chart: the six types on a hexagon in ring order v-j-h-a-m-g, each axis from 0
// at the centre to 50 at its corner, the raw totals joined as a filled polygon, the letters
// at the corners and the two leading types marked. One vector routine draws it on the scoring
// window and on the result report.
namespace ProfileChart {

constexpr int AxisMaximum = 50;
// The fill of the profile polygon and its outline.
inline const QColor Fill{70, 130, 200};
inline const QColor Outline{20, 60, 120};

// The hexagon of a box: its centre and the radius of the corners (room is left around it for
// the letters). Type t's axis points from the centre at 90 - 60 t degrees (v at the top, then
// clockwise).
QPointF centre(const QRectF& box);
qreal radius(const QRectF& box);
// The width of the polygon's outline.
qreal outlineWidth(const QRectF& box);
// The polygon of the totals, one corner per type in type order (totals outside 0..50 are
// drawn at the nearer end of their axis).
QPolygonF polygon(const QRectF& box, const Scoring::Totals& totals);

// Draws the chart into box; without totals only the hexagon and the letters.
void paint(QPainter& p, const QRectF& box, const std::optional<Scoring::Totals>& totals,
           const Scoring::Indices& indices);

} // namespace ProfileChart
