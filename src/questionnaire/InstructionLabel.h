#pragma once
#include <QEvent>
#include <QHash>
#include <QLabel>

// A word-wrapped instruction whose height at a width is measured once: the page stack asks
// every page for its height whenever the page in sight changes.
class InstructionLabel : public QLabel {
public:
    using QLabel::QLabel;
    int heightForWidth(int width) const override
    {
        auto found = m_heights.constFind(width);
        if (found == m_heights.cend())
            found = m_heights.insert(width, QLabel::heightForWidth(width));
        return *found;
    }

protected:
    void changeEvent(QEvent* event) override
    {
        if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
            m_heights.clear();
        QLabel::changeEvent(event);
    }

private:
    mutable QHash<int, int> m_heights;
};
