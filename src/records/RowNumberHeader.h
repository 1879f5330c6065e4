#pragma once
#include <QHeaderView>

// The row numbers at the side of a grid. A plain header measures the title of each of its first
// and last hundred rows for its width, again whenever rows are fetched; row numbers are digits
// of one width, so the header measures only the first and the last row, whose number has the
// most digits.
class RowNumberHeader : public QHeaderView {
public:
    explicit RowNumberHeader(QWidget* parent = nullptr)
        : QHeaderView(Qt::Vertical, parent)
    {
    }

    QSize sizeHint() const override
    {
        if (count() == 0 || !model())
            return QHeaderView::sizeHint();
        QSize hint = sectionSizeFromContents(0);
        if (count() > 1)
            hint = hint.expandedTo(sectionSizeFromContents(count() - 1));
        return hint;
    }
};
