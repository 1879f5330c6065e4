#include "report/ProfileChart.h"

#include "report/BandedReport.h"
#include "report/ReportFonts.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <algorithm>
#include <cmath>

namespace ProfileChart {
namespace {
QPointF direction(int type)
{
    const qreal angle = qDegreesToRadians(90.0 - 60.0 * type);
    return {std::cos(angle), -std::sin(angle)};
}

QPointF corner(const QRectF& box, int type, qreal fraction)
{
    return centre(box) + direction(type) * (radius(box) * fraction);
}
} // namespace

QPointF centre(const QRectF& box) { return box.center(); }

qreal radius(const QRectF& box) { return std::min(box.width(), box.height()) * 0.5 * 0.78; }

qreal outlineWidth(const QRectF& box) { return std::max<qreal>(radius(box) / 48, 1.25); }

QPolygonF polygon(const QRectF& box, const Scoring::Totals& totals)
{
    return polygon(box, values(totals), AxisMaximum);
}

Values values(const Scoring::Totals& totals)
{
    Values v{};
    for (int t = 0; t < Scoring::TypeCount; ++t)
        v[size_t(t)] = totals[size_t(t)];
    return v;
}

QPolygonF polygon(const QRectF& box, const Values& values, double maximum)
{
    QPolygonF poly;
    for (int t = 0; t < Scoring::TypeCount; ++t)
        poly << corner(box, t, maximum > 0 ? qBound(0.0, values[size_t(t)], maximum) / maximum : 0.0);
    return poly;
}

void paint(QPainter& p, const QRectF& box, const std::optional<Scoring::Totals>& totals,
           const Scoring::Indices& indices)
{
    Profiles profiles;
    if (totals)
        profiles.first = values(*totals);
    profiles.indices = indices;
    paint(p, box, profiles);
}

void paint(QPainter& p, const QRectF& box, const Profiles& profiles)
{
    const auto& totals = profiles.first;
    const Scoring::Indices& indices = profiles.indices;
    p.save();
    const qreal r = radius(box);
    const qreal thin = std::max<qreal>(r / 120, 0.5);

    // Five rings (10, 20 .. 50 of the raw totals; 20, 40 .. 100 of percentile ranks) and the
    // six axes.
    constexpr int rings = 5;
    p.setBrush(Qt::NoBrush);
    for (int step = 1; step <= rings; ++step) {
        QPolygonF ring;
        for (int t = 0; t < Scoring::TypeCount; ++t)
            ring << corner(box, t, step / qreal(rings));
        p.setPen(QPen(step == rings ? QColor(90, 90, 90) : QColor(190, 190, 190), step == rings ? thin * 2 : thin));
        p.drawPolygon(ring);
    }
    p.setPen(QPen(QColor(190, 190, 190), thin));
    for (int t = 0; t < Scoring::TypeCount; ++t)
        p.drawLine(centre(box), corner(box, t, 1));

    if (totals) {
        p.setPen(QPen(Outline, outlineWidth(box), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Fill);
        p.drawPolygon(polygon(box, *totals, profiles.maximum));
    }
    if (profiles.second) {
        p.setPen(QPen(SecondOutline, outlineWidth(box), Qt::DashLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(SecondFill);
        p.drawPolygon(polygon(box, *profiles.second, profiles.maximum));
    }

    // The letters just outside the corners; the leading pair on a marked disc.
    QFont font;
    font.setFamilies(Report::persianFamilies());
    font.setBold(true);
    font.setPixelSize(std::max(1, int(std::lround(r * 0.17))));
    p.setFont(font);
    const qreal disc = r * 0.13;
    for (int t = 0; t < Scoring::TypeCount; ++t) {
        const QPointF at = corner(box, t, 1) + direction(t) * (r * 0.14);
        const bool leading = totals && profiles.markLeading && (t == indices.pair[0] || t == indices.pair[1]);
        if (leading) {
            p.setPen(Qt::NoPen);
            p.setBrush(t == indices.pair[0] ? QColor(200, 40, 40) : QColor(230, 130, 40));
            p.drawEllipse(at, disc, disc);
        }
        p.setPen(leading ? Qt::white : Qt::black);
        const QRectF cell(at.x() - disc * 2, at.y() - disc, disc * 4, disc * 2);
        Report::drawTextLines(p, font, cell, Scoring::typeLetter(t), Qt::AlignCenter, false);
    }
    p.restore();
}

} // namespace ProfileChart
