#pragma once
#include <QScrollArea>
#include <QStyle>

// A scroll area that asks for the whole of its content: a plain QScrollArea asks for at most
// 36 x 24 lines, so a window sized from its layouts would open smaller than its page even on a
// screen with room for it. With this one the window opens as large as its content (bounded by
// the screen's free part) and scrolls only where the screen is smaller. Room for the vertical
// scroll bar is asked for too, so that a bar appearing does not cut the content's width.
class ContentScroll : public QScrollArea {
public:
    explicit ContentScroll(QWidget* parent = nullptr)
        : QScrollArea(parent)
    {
        setWidgetResizable(true);
        setFrameShape(QFrame::NoFrame);
    }

    QSize sizeHint() const override
    {
        const QWidget* content = widget();
        if (!content)
            return QScrollArea::sizeHint();
        const QSize wanted = content->sizeHint();
        const int height = content->hasHeightForWidth() ? content->heightForWidth(wanted.width()) : wanted.height();
        const int frame = 2 * frameWidth();
        const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
        return {wanted.width() + frame + bar, qMax(height, wanted.height()) + frame};
    }
};
