#pragma once
#include <QFont>
#include <QHash>
#include <QLabel>
#include <QMargins>
#include <QSize>

#include <memory>

// A word-wrapped instruction whose sizes are measured once: the page stack asks every page for
// its height whenever the page in sight changes, and measuring a long Persian text means
// shaping it. What a label with this text, font and box measures is shared by every such label,
// in this window and in the next one opened.
class InstructionLabel : public QLabel {
public:
    using QLabel::QLabel;
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    struct Sizes {
        QSize hint, minimum; // empty until measured
        QHash<int, int> heights; // by width
    };
    // What the sizes depend on: text, font, box and wrapping.
    struct Look {
        QString text;
        QFont font;
        QMargins box;
        int margin = 0, indent = 0, frame = 0;
        Qt::Alignment alignment;
        bool wrap = false;
        bool operator==(const Look& o) const
        {
            return text == o.text && font == o.font && box == o.box && margin == o.margin && indent == o.indent
                && frame == o.frame && alignment == o.alignment && wrap == o.wrap;
        }
    };
    Look look() const;
    // The sizes of labels that look like this one, shared with them; looked up again only when
    // the look has changed.
    std::shared_ptr<Sizes> sizes() const;
    mutable Look m_look;
    mutable std::shared_ptr<Sizes> m_sizes;
};
