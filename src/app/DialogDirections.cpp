#include "app/DialogDirections.h"

#include <QApplication>
#include <QEvent>
#include <QTreeView>

namespace DialogDirections {
void LeftToRightCells::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->direction = Qt::LeftToRight;
    option->displayAlignment = Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignVCenter;
}

namespace {
class Watch : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()
            && (watched->inherits("QFileDialog") || watched->inherits("QPrintDialog"))
            && !watched->property("meravelDirections").toBool()) {
            watched->setProperty("meravelDirections", true);
            setPathsLeftToRight(static_cast<QWidget*>(watched));
        }
        return false;
    }
};
} // namespace

void install(QApplication& app)
{
    static Watch* watch = nullptr;
    if (watch)
        return;
    watch = new Watch(&app);
    app.installEventFilter(watch);
}

void setPathsLeftToRight(QWidget* dialog)
{
    // The path box, the file name box and the file type box of a file dialog; the output file
    // box of a print dialog.
    for (const char* name : {"lookInCombo", "fileNameEdit", "fileTypeCombo", "filename"})
        for (QWidget* w : dialog->findChildren<QWidget*>(QString::fromLatin1(name)))
            w->setLayoutDirection(Qt::LeftToRight);
    if (auto* tree = dialog->findChild<QTreeView*>(QStringLiteral("treeView"))) {
        auto* cells = new LeftToRightCells(tree);
        for (int column : {1, 3}) // size, date modified
            tree->setItemDelegateForColumn(column, cells);
    }
}
} // namespace DialogDirections
