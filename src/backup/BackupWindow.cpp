#include "backup/BackupWindow.h"

#include "app/Dialogs.h"
#include "app/ScreenFit.h"
#include "app/WindowFrame.h"
#include "backup/Backup.h"
#include "backup/BackupTexts.h"
#include "backup/ProgramEnd.h"
#include "calendar/SolarCalendar.h"
#include "data/Clock.h"
#include "data/ProgramFolder.h"
#include "data/Utf8.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedLayout>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>

// Outside any namespace, as Q_INIT_RESOURCE requires: the help text lives in a static library.
static void initBackupResource() { Q_INIT_RESOURCE(backup); }

namespace {
QString helpText()
{
    initBackupResource();
    QFile f(":/backup/help.txt");
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}
} // namespace

BackupWindow::BackupWindow(QWidget* parent)
    : QWidget(parent)
{
    WindowFrame::prepare(this, "Frmbackup");
    setWindowTitle(u(BackupText::BackupCaption));
    m_pages = new QStackedLayout(this);

    // The window's controls: the date and the time on top, a row for the backup and one for
    // the restore (action, path, path button from the right), help and exit below.
    m_controls = new QWidget(this);
    auto* grid = new QGridLayout(m_controls);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(10);
    m_dateLabel = new QLabel(m_controls);
    m_dateLabel->setObjectName("LabelDate");
    m_timeLabel = new QLabel(m_controls);
    m_timeLabel->setObjectName("LabelTime");
    for (QLabel* l : {m_dateLabel, m_timeLabel}) {
        l->setAlignment(Qt::AlignCenter);
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        // Dates and times read left to right even in a Persian window.
        l->setLayoutDirection(Qt::LeftToRight);
        l->setMinimumWidth(l->fontMetrics().horizontalAdvance(QStringLiteral("0000.00.00")) + 24);
        l->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }
    grid->addWidget(m_dateLabel, 0, 0);
    // Next to the date; the label reads left to right, so its alignment is not mirrored.
    grid->addWidget(m_timeLabel, 0, 1, Qt::AlignRight | Qt::AlignAbsolute);

    auto makeRow = [this, grid](int row, const char* actionCaption, const char* actionName, const char* boxName,
                                const char* pathName, QPushButton** action, QLineEdit** box, QPushButton** path) {
        *action = new QPushButton(u(actionCaption), m_controls);
        (*action)->setObjectName(actionName);
        QFont bold = (*action)->font();
        bold.setBold(true);
        (*action)->setFont(bold);
        *box = new QLineEdit(m_controls);
        (*box)->setObjectName(boxName);
        (*box)->setLayoutDirection(Qt::LeftToRight); // a path reads left to right
        (*box)->setMinimumWidth((*box)->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 48); // a whole path
        *path = new QPushButton(u(BackupText::PathButton), m_controls);
        (*path)->setObjectName(pathName);
        grid->addWidget(*action, row, 0);
        grid->addWidget(*box, row, 1);
        grid->addWidget(*path, row, 2);
    };
    makeRow(1, BackupText::BackupButton, "VisualButtonEx2", "Text1", "b1", &m_backupButton, &m_backupPath,
            &m_chooseBackupButton);
    makeRow(2, BackupText::RestoreButton, "VisualButtonEx3", "Text2", "b2", &m_restoreButton, &m_restorePath,
            &m_chooseRestoreButton);
    grid->setColumnStretch(1, 1);
    connect(m_backupButton, &QPushButton::clicked, this, &BackupWindow::backUp);
    connect(m_restoreButton, &QPushButton::clicked, this, &BackupWindow::restore);
    connect(m_chooseBackupButton, &QPushButton::clicked, this, &BackupWindow::chooseBackupFile);
    connect(m_chooseRestoreButton, &QPushButton::clicked, this, &BackupWindow::chooseRestoreFile);

    auto* help = new QPushButton(u(BackupText::HelpButton), m_controls);
    help->setObjectName("Command3");
    connect(help, &QPushButton::clicked, this, &BackupWindow::showHelp);
    auto* exit = new QPushButton(u(BackupText::ExitButton), m_controls);
    exit->setObjectName("Command1");
    exit->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    for (QPushButton* b : {help, exit})
        b->setMinimumWidth(b->fontMetrics().horizontalAdvance(b->text()) + 60);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(help);
    buttons->addSpacing(40);
    buttons->addWidget(exit);
    buttons->addStretch();
    grid->setRowMinimumHeight(3, 6);
    grid->addLayout(buttons, 4, 0, 1, 3);
    grid->setRowStretch(3, 1); // a taller window (the help panel's height) lowers the buttons
    m_pages->addWidget(m_controls);

    // The help panel takes the window's place while it is shown.
    m_helpPanel = new QFrame(this);
    m_helpPanel->setObjectName("Frame1");
    m_helpPanel->setFrameShape(QFrame::Box);
    m_helpPanel->setAutoFillBackground(true);
    auto* panel = new QVBoxLayout(m_helpPanel);
    m_helpText = new QPlainTextEdit(m_helpPanel);
    m_helpText->setObjectName("TextHelp");
    m_helpText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_helpText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_helpText->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_helpText->setReadOnly(true);
    m_helpText->setPlainText(helpText());
    panel->addWidget(m_helpText);
    auto* hideHelp = new QPushButton(u(BackupText::ExitButton), m_helpPanel);
    hideHelp->setObjectName("Command2");
    connect(hideHelp, &QPushButton::clicked, this, &BackupWindow::hideHelp);
    panel->addWidget(hideHelp, 0, Qt::AlignHCenter);
    m_pages->addWidget(m_helpPanel);

    // Opening: skin, size, time, date, clock.
    const QDateTime now = Clock::now();
    m_timeLabel->setText(now.time().toString("h.mm"));
    m_dateLabel->setText(SolarCalendar::solarDate(now, 4));
    WindowFrame::finish(this);
    ScreenFit::placeInside(this);
    m_clock = new QTimer(this);
    m_clock->setObjectName("Timer1");
    m_clock->setInterval(1000);
    connect(m_clock, &QTimer::timeout, this, &BackupWindow::showTime);
    m_clock->start();
    connect(&m_copy, &QFutureWatcher<Backup::Result>::finished, this, &BackupWindow::copyDone);
}

BackupWindow::~BackupWindow()
{
    // A copy is never left half-way: its temporary file would stay, or a restore half-done.
    m_copy.waitForFinished();
}

QString BackupWindow::backupFolder()
{
    const QString folder = ProgramFolder::file("Back");
    return QFileInfo(folder).isDir() ? folder : QString();
}

QString BackupWindow::defaultBackupName() const
{
    return u(BackupText::NamePrefix) + u(BackupText::NameDate) + m_dateLabel->text() + u(BackupText::NameHour)
        + m_timeLabel->text() + u(BackupText::NameClose) + u(BackupText::NameExtension);
}

QString BackupWindow::programTitle() const
{
    const QString title = QCoreApplication::applicationName();
    return title.isEmpty() ? QStringLiteral("Meravel") : title;
}

void BackupWindow::showTime() { m_timeLabel->setText(Clock::now().time().toString("h.mm")); }

void BackupWindow::chooseBackupFile() { choosePath(m_backupPath, defaultBackupName(), true); }

// No preset for a restore: the dialog keeps the name it last held.
void BackupWindow::chooseRestoreFile() { choosePath(m_restorePath, m_dialogFileName, false); }

void BackupWindow::choosePath(QLineEdit* box, const QString& name, bool save)
{
    try {
        FileRequest request;
        request.folder = backupFolder();
        request.fileName = name;
        request.filter = u(BackupText::FileFilter);
        m_dialogFileName = request.fileName;
        const QString chosen = save ? Dialogs::instance().saveFile(this, request)
                                    : Dialogs::instance().openFile(this, request);
        if (!chosen.isEmpty()) {
            m_dialogFileName = QFileInfo(chosen).fileName();
            box->setText(QDir::toNativeSeparators(chosen));
        }
    } catch (const std::exception& e) {
        Dialogs::show(this, QString::fromLocal8Bit(e.what()), u(BackupText::ErrorCaption), MsgIcon::Exclamation,
                      MsgButtons::Ok, true);
    }
}

QString BackupWindow::pathToCopy(const QLineEdit* box, const char* emptyMessage)
{
    if (isCopying())
        return QString();
    const QString path = box->text();
    if (!path.trimmed().isEmpty())
        return path;
    Dialogs::show(this, u(emptyMessage), u(BackupText::Khata), MsgIcon::Exclamation, MsgButtons::Ok, true);
    return QString();
}

void BackupWindow::backUp()
{
    try {
        const QString path = pathToCopy(m_backupPath, BackupText::BackupPathEmpty);
        if (path.isEmpty())
            return;
        if (QFileInfo::exists(path)) {
            if (Dialogs::show(this, u(BackupText::OverwriteQuestion), programTitle(), MsgIcon::None, MsgButtons::YesNo)
                != MsgResult::Yes) {
                Dialogs::show(this, u(BackupText::OverwriteRefused), programTitle(), MsgIcon::Information,
                              MsgButtons::Ok, true);
                return;
            }
        }
        startCopy(Backup::startBackup(path));
    } catch (const std::exception& e) {
        Dialogs::show(this, QString::fromLocal8Bit(e.what()), u(BackupText::ErrorCaption), MsgIcon::None);
    }
}

void BackupWindow::restore()
{
    try {
        const QString path = pathToCopy(m_restorePath, BackupText::RestorePathEmpty);
        if (path.isEmpty())
            return;
        if (Dialogs::show(this, u(BackupText::RestoreQuestion), programTitle(), MsgIcon::None, MsgButtons::YesNo)
            != MsgResult::Yes) {
            Dialogs::show(this, u(BackupText::RestoreDeclined), programTitle(), MsgIcon::None);
            return;
        }
        startCopy(Backup::startRestore(path));
    } catch (const std::exception& e) {
        Dialogs::show(this, QString::fromLocal8Bit(e.what()) + u(BackupText::RestoreOtherFailure), u(BackupText::Khata),
                      MsgIcon::Exclamation, MsgButtons::Ok, true);
    }
}

void BackupWindow::startCopy(const QFuture<Backup::Result>& copy)
{
    m_busy = true;
    showBusy(true);
    m_copy.setFuture(copy);
}

void BackupWindow::copyDone()
{
    const Backup::Result result = m_copy.result();
    m_busy = false;
    showBusy(false);
    if (result.ok()) {
        // A restore ends the program so that the next start works on the restored data.
        Dialogs::show(this, result.message, programTitle(), MsgIcon::None);
        emit copyFinished(true);
        endProgram();
        return;
    }
    if (result.outcome == Backup::Outcome::NotABackup) // a restore from a file that is no backup
        Dialogs::show(this, result.message, u(BackupText::Khata), MsgIcon::Exclamation, MsgButtons::Ok, true);
    else
        Dialogs::show(this, result.message, programTitle(), MsgIcon::Critical, MsgButtons::Ok, true);
    emit copyFinished(false);
    // A close asked for during the copy ends the program now.
    if (m_closeRequested)
        endProgram();
}

void BackupWindow::showBusy(bool busy)
{
    // Nothing that starts or changes a copy can be pressed while one runs; help and exit stay.
    for (QWidget* w : std::initializer_list<QWidget*>{m_backupButton, m_restoreButton, m_chooseBackupButton,
                                                      m_chooseRestoreButton, m_backupPath, m_restorePath})
        w->setEnabled(!busy);
    if (busy)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

void BackupWindow::showHelp() { m_pages->setCurrentWidget(m_helpPanel); }

void BackupWindow::hideHelp() { m_pages->setCurrentWidget(m_controls); }

void BackupWindow::closeEvent(QCloseEvent* event)
{
    // The window stays until a running copy is done; the program ends after it.
    if (isCopying()) {
        m_closeRequested = true;
        event->ignore();
        return;
    }
    event->accept();
    endProgram();
}

void BackupWindow::endProgram()
{
    if (m_ended)
        return;
    m_ended = true;
    m_clock->stop();
    ProgramEnd::quit();
}
