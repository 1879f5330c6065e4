#pragma once
#include "scoring/Scoring.h"

#include <QWidget>
#include <optional>

// The profile chart as a widget of the scoring window, drawn by ProfileChart::paint.
class ProfileChartWidget : public QWidget {
    Q_OBJECT
public:
    explicit ProfileChartWidget(QWidget* parent = nullptr);
    void setProfile(const std::optional<Scoring::Totals>& totals, const Scoring::Indices& indices);
    QSize sizeHint() const override { return {190, 190}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<Scoring::Totals> m_totals;
    Scoring::Indices m_indices;
};
