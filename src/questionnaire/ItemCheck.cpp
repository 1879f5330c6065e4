#include "questionnaire/ItemCheck.h"

#include <QPaintEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

ItemCheck::ItemCheck(const QString& caption, QWidget* parent)
    : QCheckBox(caption, parent)
{
    QSizePolicy policy = sizePolicy();
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

int ItemCheck::textWidth(int width) const
{
    QStyleOptionButton opt;
    initStyleOption(&opt);
    const int indicator = style()->pixelMetric(QStyle::PM_IndicatorWidth, &opt, this)
        + style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &opt, this);
    return qMax(20, width - indicator - 6);
}

QString ItemCheck::wrappedText(int width) const
{
    const QFontMetrics fm(font());
    const int available = textWidth(width);
    QStringList lines;
    QString line;
    for (const QString& word : text().split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && fm.horizontalAdvance(candidate) > available) {
            lines << line;
            line = word;
        } else {
            line = candidate;
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines.join(QLatin1Char('\n'));
}

int ItemCheck::heightForWidth(int width) const
{
    const QFontMetrics fm(font());
    const int lines = int(wrappedText(width).count(QLatin1Char('\n'))) + 1;
    return qMax(sizeHint().height(), lines * fm.lineSpacing() + 4);
}

void ItemCheck::paintEvent(QPaintEvent*)
{
    QStylePainter p(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    opt.text = wrappedText(width());
    p.drawControl(QStyle::CE_CheckBox, opt);
}

bool ItemCheck::hitButton(const QPoint& pos) const { return rect().contains(pos); }
