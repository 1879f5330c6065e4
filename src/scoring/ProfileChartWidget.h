#pragma once
#include "report/ProfileChart.h"
#include "scoring/Scoring.h"

#include <QWidget>
#include <optional>

// The profile chart as a widget of the scoring window, drawn by ProfileChart::paint.
class ProfileChartWidget : public QWidget {
    Q_OBJECT
public:
    explicit ProfileChartWidget(QWidget* parent = nullptr);
    void setProfile(const std::optional<Scoring::Totals>& totals, const Scoring::Indices& indices);
    // Any profiles: percentile ranks, or a second administration over the first.
    void setProfiles(const ProfileChart::Profiles& profiles, const QString& toolTip = QString());
    const ProfileChart::Profiles& profiles() const { return m_profiles; }
    QSize sizeHint() const override { return {190, 190}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ProfileChart::Profiles m_profiles;
};
