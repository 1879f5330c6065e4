#include "questionnaire/InstructionLabel.h"

InstructionLabel::Look InstructionLabel::look() const
{
    return {text(), font(), contentsMargins(), margin(), indent(), frameWidth(), alignment(), wordWrap()};
}

std::shared_ptr<InstructionLabel::Sizes> InstructionLabel::sizes() const
{
    Look now = look();
    if (m_sizes && now == m_look)
        return m_sizes;
    // The texts are the questionnaire's few instructions; the table is emptied should it ever
    // grow past them.
    static QHash<QString, std::shared_ptr<Sizes>> shared;
    const QString key = QStringLiteral("%1|%2,%3,%4,%5|%6,%7,%8,%9,%10|")
                            .arg(now.font.key())
                            .arg(now.box.left())
                            .arg(now.box.top())
                            .arg(now.box.right())
                            .arg(now.box.bottom())
                            .arg(now.margin)
                            .arg(now.indent)
                            .arg(int(now.alignment))
                            .arg(now.wrap)
                            .arg(now.frame)
        + now.text;
    auto found = shared.find(key);
    if (found == shared.end()) {
        if (shared.size() >= 256)
            shared.clear();
        found = shared.insert(key, std::make_shared<Sizes>());
    }
    m_sizes = *found;
    m_look = std::move(now);
    return m_sizes;
}

int InstructionLabel::heightForWidth(int width) const
{
    const std::shared_ptr<Sizes> s = sizes();
    QHash<int, int>& heights = s->heights;
    auto found = heights.constFind(width);
    if (found != heights.cend())
        return *found;
    // A window dragged through many widths adds only to the heights.
    if (heights.size() >= 4096)
        heights.clear();
    return *heights.insert(width, QLabel::heightForWidth(width));
}

QSize InstructionLabel::sizeHint() const
{
    const std::shared_ptr<Sizes> s = sizes();
    if (s->hint.isEmpty())
        s->hint = QLabel::sizeHint();
    return s->hint;
}

QSize InstructionLabel::minimumSizeHint() const
{
    const std::shared_ptr<Sizes> s = sizes();
    if (s->minimum.isEmpty())
        s->minimum = QLabel::minimumSizeHint();
    return s->minimum;
}
