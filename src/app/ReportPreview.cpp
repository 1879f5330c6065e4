#include "app/ReportPreview.h"

#include "app/Dialogs.h"
#include "app/ScreenFit.h"

#include <QAction>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

namespace Report {

namespace {
PreviewInterceptor& interceptor()
{
    static PreviewInterceptor i;
    return i;
}
} // namespace

void setPreviewInterceptor(PreviewInterceptor i) { interceptor() = std::move(i); }

void preview(std::shared_ptr<const Document> doc, QWidget* parent)
{
    if (!doc)
        return;
    if (interceptor()) {
        interceptor()(*doc);
        return;
    }
    auto* printer = new QPrinter(QPrinter::HighResolution);
    printer->setPageLayout(a4Layout());
    const QString caption = doc->displayTitle.isEmpty() ? doc->title : doc->displayTitle;
    const QString fileName = doc->fileName.isEmpty() ? caption : doc->fileName;
    printer->setDocName(fileName);
    auto* dialog = new QPrintPreviewDialog(printer, parent, Qt::Window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setObjectName("ReportPreview");
    dialog->setWindowTitle(caption);
    QObject::connect(dialog, &QObject::destroyed, [printer]() { delete printer; });
    QObject::connect(dialog, &QPrintPreviewDialog::paintRequested,
                     [doc](QPrinter* target) { render(*doc, target, target->fromPage(), target->toPage()); });

    // Saving as PDF from the preview: the same painting as printing, into a file.
    if (auto* toolbar = dialog->findChild<QToolBar*>()) {
        toolbar->addSeparator();
        QAction* save = toolbar->addAction(dialog->style()->standardIcon(QStyle::SP_DialogSaveButton), "PDF");
        save->setObjectName("savePdf");
        save->setToolTip(QString::fromUtf8("ذخيره به صورت PDF"));
        QObject::connect(save, &QAction::triggered, dialog, [doc, dialog, fileName]() {
            FileRequest request;
            request.title = QString::fromUtf8("ذخيره به صورت PDF");
            request.fileName = fileName + ".pdf";
            request.filter = "PDF (*.pdf)|*.pdf";
            QString path = Dialogs::instance().saveFile(dialog, request);
            if (path.isEmpty())
                return;
            if (!path.endsWith(".pdf", Qt::CaseInsensitive))
                path += ".pdf";
            QString error;
            if (!writePdf(*doc, path, &error))
                Dialogs::show(dialog, error, QString::fromUtf8("خطا"), MsgIcon::Critical);
        });
    }
    dialog->resize(ScreenFit::bounded(dialog, QSize(960, 760)));
    ScreenFit::placeInside(dialog);
    dialog->show();
    // A window manager that framed it otherwise than expected: the frame is brought inside.
    QTimer::singleShot(300, dialog, [dialog]() { ScreenFit::keepFrameInside(dialog); });
}

} // namespace Report
