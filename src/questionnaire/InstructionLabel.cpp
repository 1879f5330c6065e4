#include "questionnaire/InstructionLabel.h"

#include <QMargins>

InstructionLabel::Sizes& InstructionLabel::sizes() const
{
    // The texts are the questionnaire's few instructions; the table is emptied should it ever
    // grow past them (a window dragged through many widths adds only to the heights).
    static QHash<QString, Sizes> shared;
    const QMargins box = contentsMargins();
    const QString key = QStringLiteral("%1|%2,%3,%4,%5|%6,%7,%8,%9,%10|")
                            .arg(font().key())
                            .arg(box.left())
                            .arg(box.top())
                            .arg(box.right())
                            .arg(box.bottom())
                            .arg(margin())
                            .arg(indent())
                            .arg(int(alignment()))
                            .arg(wordWrap())
                            .arg(frameWidth())
        + text();
    if (shared.size() >= 256 && !shared.contains(key))
        shared.clear();
    Sizes& found = shared[key];
    if (found.heights.size() >= 4096)
        found.heights.clear();
    return found;
}

int InstructionLabel::heightForWidth(int width) const
{
    QHash<int, int>& heights = sizes().heights;
    auto found = heights.constFind(width);
    if (found == heights.cend())
        found = heights.insert(width, QLabel::heightForWidth(width));
    return *found;
}

QSize InstructionLabel::sizeHint() const
{
    Sizes& s = sizes();
    if (s.hint.isEmpty())
        s.hint = QLabel::sizeHint();
    return s.hint;
}

QSize InstructionLabel::minimumSizeHint() const
{
    Sizes& s = sizes();
    if (s.minimum.isEmpty())
        s.minimum = QLabel::minimumSizeHint();
    return s.minimum;
}
