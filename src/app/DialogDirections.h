#pragma once
#include <QStyledItemDelegate>

class QApplication;
class QWidget;

// Qt's file and print dialogs in the right-to-left program: file paths, file names, sizes and
// dates in left-to-right boxes and cells, the dialog itself right to left.
namespace DialogDirections {
// Watches every dialog the application shows (ours and those Qt opens itself, from the print
// preview or the print dialog) and sets each file or print dialog up once, when first shown.
void install(QApplication& app);
// Sets one dialog up.
void setPathsLeftToRight(QWidget* dialog);

// A cell of the file dialog's list that shows a size or a date: laid out left to right, so
// "12/10/26 1:23 PM" and "12 KB" are not turned around in the right-to-left dialog; it still
// stands at the right of its column like the names.
class LeftToRightCells : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
} // namespace DialogDirections
