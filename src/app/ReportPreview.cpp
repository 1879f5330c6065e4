#include "app/ReportPreview.h"

#include "app/Dialogs.h"
#include "app/ScreenFit.h"

#include <QAction>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStyle>
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
    printer->setDocName(doc->title);
    auto* dialog = new QPrintPreviewDialog(printer, parent, Qt::Window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(doc->title);
    QObject::connect(dialog, &QObject::destroyed, [printer]() { delete printer; });
    QObject::connect(dialog, &QPrintPreviewDialog::paintRequested,
                     [doc](QPrinter* target) { render(*doc, target, target->fromPage(), target->toPage()); });

    // Saving as PDF from the preview: the same painting as printing, into a file.
    if (auto* toolbar = dialog->findChild<QToolBar*>()) {
        toolbar->addSeparator();
        QAction* save = toolbar->addAction(dialog->style()->standardIcon(QStyle::SP_DialogSaveButton), "PDF");
        save->setObjectName("savePdf");
        save->setToolTip("Save as PDF");
        QObject::connect(save, &QAction::triggered, dialog, [doc, dialog]() {
            FileRequest request;
            request.title = "PDF";
            request.fileName = doc->title + ".pdf";
            request.filter = "PDF (*.pdf)|*.pdf";
            QString path = Dialogs::instance().saveFile(dialog, request);
            if (path.isEmpty())
                return;
            if (!path.endsWith(".pdf", Qt::CaseInsensitive))
                path += ".pdf";
            QString error;
            if (!writePdf(*doc, path, &error))
                Dialogs::show(dialog, error, "Error", MsgIcon::Critical);
        });
    }
    dialog->resize(ScreenFit::bounded(dialog, QSize(960, 760)));
    dialog->show();
}

} // namespace Report
