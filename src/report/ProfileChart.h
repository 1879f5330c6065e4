#pragma once
#include "scoring/Scoring.h"

#include <QColor>
#include <QPolygonF>
#include <QRectF>
#include <array>
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

// The colours of a second profile drawn over the first (a retest): outline and fill.
inline const QColor SecondOutline{190, 60, 30};
inline const QColor SecondFill{230, 120, 60, 90};
constexpr int PercentileMaximum = 100;

using Values = std::array<double, Scoring::TypeCount>;
// What a chart draws: the profile on an axis from 0 to maximum (the raw totals to 50, or
// percentile ranks to 100), filled, and optionally a second profile over it, half
// transparent with a dashed outline. The leading pair is marked when markLeading is set.
struct Profiles {
    std::optional<Values> first, second;
    double maximum = AxisMaximum;
    Scoring::Indices indices;
    bool markLeading = true;
};
Values values(const Scoring::Totals& totals);
QPolygonF polygon(const QRectF& box, const Values& values, double maximum);
void paint(QPainter& p, const QRectF& box, const Profiles& profiles);

} // namespace ProfileChart
