#include "scoring/ProfileChartWidget.h"

#include "scoring/Interpretation.h"
#include "report/ProfileChart.h"

#include <QPainter>
#include <algorithm>

ProfileChartWidget::ProfileChartWidget(QWidget* parent)
    : QWidget(parent)
{
    setObjectName("ProfileChart");
    setMinimumSize(150, 150);
}

void ProfileChartWidget::setProfile(const std::optional<Scoring::Totals>& totals, const Scoring::Indices& indices)
{
    ProfileChart::Profiles profiles;
    if (totals)
        profiles.first = ProfileChart::values(*totals);
    profiles.indices = indices;
    setProfiles(profiles,
                totals ? Scoring::consistencyWords(indices) + '\n' + Scoring::differentiationWords(indices)
                       : QString());
}

void ProfileChartWidget::setProfiles(const ProfileChart::Profiles& profiles, const QString& toolTip)
{
    m_profiles = profiles;
    setToolTip(toolTip);
    update();
}

void ProfileChartWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    const int side = std::min(width(), height());
    const QRectF square((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    ProfileChart::paint(p, square, m_profiles);
}
