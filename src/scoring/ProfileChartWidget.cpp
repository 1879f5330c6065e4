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
    m_totals = totals;
    m_indices = indices;
    setToolTip(totals ? Scoring::consistencyWords(indices) + '\n' + Scoring::differentiationWords(indices) : QString());
    update();
}

void ProfileChartWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    const int side = std::min(width(), height());
    const QRectF square((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    ProfileChart::paint(p, square, m_totals, m_indices);
}
