#pragma once
#include <QHash>
#include <QLabel>
#include <QSize>

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
    // The sizes of labels measured like this one: same text, font, box and wrapping.
    Sizes& sizes() const;
};
