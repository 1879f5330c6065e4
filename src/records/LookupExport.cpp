// The look-up window's export of the subjects its grid lists to a workbook: asked for, run on
// a worker thread with a cancellable progress box, and reported.
#include "records/LookupWindow.h"

#include "app/AppSetup.h"
#include "app/Dialogs.h"
#include "app/SelfClosingMessage.h"
#include "calendar/SolarCalendar.h"
#include "data/Clock.h"
#include "data/WorkerThread.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>

#include <atomic>
#include <memory>

QString LookupWindow::defaultExportName()
{
    return QStringLiteral("آزمودني ها ") + SolarCalendar::solarDate(Clock::now(), 0).replace('/', '-')
        + QStringLiteral(".xlsx");
}

void LookupWindow::exportListed()
{
    if (m_exporting)
        return;
    const Scoring::SubjectFilter filter = gridFilter();
    QString error;
    const qint64 count = Scoring::countSubjects(filter, &error);
    if (count < 0) {
        Dialogs::show(this, error, QStringLiteral("خطا"), MsgIcon::Exclamation, MsgButtons::Ok, true);
        return;
    }
    if (count == 0) {
        SelfClosingMessage::show(this, QStringLiteral("آزمودني اي در جدول نيست"));
        return;
    }
    FileRequest request;
    request.title = QStringLiteral("خروجي اکسل");
    request.folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    request.fileName = defaultExportName();
    request.filter = QStringLiteral("Excel|*.xlsx");
    QString path = Dialogs::instance().saveFile(this, request);
    if (path.isEmpty())
        return; // cancelled: nothing to say
    if (!path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive))
        path += QLatin1String(".xlsx");
    if (QFileInfo::exists(path)
        && Dialogs::show(this, QStringLiteral("فايلي با اين نام وجود دارد. آيا مي خواهيد آن را جايگزين کنيد؟"),
                         programTitle(), MsgIcon::Question, MsgButtons::YesNo)
            != MsgResult::Yes)
        return;
    startExport(path, count);
}

void LookupWindow::startExport(const QString& path, qint64 count)
{
    // Large exports take a few seconds: the window keeps drawing and the progress box can
    // cancel. Small ones finish before the box would appear.
    m_progress = new QProgressDialog(QStringLiteral("در حال ذخيره فايل اکسل ..."), QStringLiteral("انصراف"), 0,
                                     int(count), this);
    m_progress->setObjectName("ExportProgress");
    m_progress->setWindowTitle(QStringLiteral("خروجي اکسل"));
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setAutoReset(false);
    m_progress->setAutoClose(false);
    m_progress->setMinimumDuration(count > 10000 ? 0 : 1000);
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    m_exportCancelled = cancelled;
    connect(m_progress, &QProgressDialog::canceled, this, [cancelled] { *cancelled = true; });

    Scoring::XlsxOptions options;
    options.fontName = QString::fromUtf8(AppSetup::fontFamilies()[0]);
    options.filter = gridFilter();
    // Called on the export's thread; the window outlives the export (its destructor waits).
    options.progress = [this, cancelled](qint64 done, qint64) {
        QMetaObject::invokeMethod(
            this,
            [this, done] {
                if (m_progress)
                    m_progress->setValue(int(std::min<qint64>(done, m_progress->maximum())));
            },
            Qt::QueuedConnection);
        return !*cancelled;
    };
    m_exportPath = path;
    m_exporting = true;
    showExportBusy(true);
    m_progress->setValue(0);
    m_export.setFuture(WorkerThread::run([path, options, cancelled] {
        ExportRun run;
        run.outcome = Scoring::exportXlsx(path, options, &run.error);
        if (*cancelled && run.outcome != Scoring::ExportOutcome::Written)
            run.outcome = Scoring::ExportOutcome::Cancelled;
        return run;
    }));
}

void LookupWindow::exportDone()
{
    const ExportRun run = m_export.result();
    m_exporting = false;
    m_exportCancelled.reset();
    delete m_progress.data();
    showExportBusy(false);
    if (m_closeAfterExport) {
        // Closed while it ran: the export was cancelled, and the window goes without a word.
        emit exportFinished(run.outcome);
        QDialog::reject();
        return;
    }
    switch (run.outcome) {
    case Scoring::ExportOutcome::Written: SelfClosingMessage::show(this, Scoring::xlsxSavedMessage()); break;
    case Scoring::ExportOutcome::Failed:
        Dialogs::show(this, run.error + "\n" + QChar(0x2066) + QDir::toNativeSeparators(m_exportPath) + QChar(0x2069),
                      QStringLiteral("خطا"), MsgIcon::Exclamation, MsgButtons::Ok, true);
        break;
    case Scoring::ExportOutcome::Cancelled: break; // the user's choice: nothing written, nothing to say
    }
    emit exportFinished(run.outcome);
}

void LookupWindow::showExportBusy(bool busy)
{
    // What would start another export, or change the subjects it reads, waits for it.
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_deletion, m_groupReportButton, m_exportButton, m_itemReportButton})
        w->setEnabled(!busy);
    if (busy)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

void LookupWindow::reject()
{
    // Closing while an export runs cancels it; the window closes once the export has let go
    // of its file.
    if (m_exporting) {
        *m_exportCancelled = true;
        m_closeAfterExport = true;
        return;
    }
    QDialog::reject();
}
