#include "backup/BackupWindow.h"

#include "app/AppSetup.h"
#include "app/Dialogs.h"
#include "app/Skin.h"
#include "app/Twips.h"
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
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

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

QFont persianFont(const QFont& base, int pointSize = 0)
{
    QFont f = base;
    f.setFamilies(AppSetup::persianFamilies());
    if (pointSize > 0)
        f.setPointSize(pointSize);
    return f;
}
} // namespace

BackupWindow::BackupWindow(QWidget* parent)
    : QWidget(parent)
{
    setObjectName("Frmbackup");
    setWindowTitle(u(BackupText::BackupCaption));
    setFixedSize(Twips::size(8055, 3315));
    setLayoutDirection(Qt::RightToLeft);
    setFont(persianFont(font()));

    m_dateLabel = new QLabel(this);
    m_dateLabel->setObjectName("LabelDate");
    m_dateLabel->setGeometry(Twips::rect(5520, 180, 2295, 420));
    m_dateLabel->setAlignment(Qt::AlignCenter);
    m_timeLabel = new QLabel(this);
    m_timeLabel->setObjectName("LabelTime");
    m_timeLabel->setGeometry(Twips::rect(3960, 180, 1455, 420));
    m_timeLabel->setAlignment(Qt::AlignCenter);
    for (QLabel* l : {m_dateLabel, m_timeLabel}) {
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        // Dates and times read left to right even in a Persian window.
        l->setLayoutDirection(Qt::LeftToRight);
    }

    auto makeRow = [this](const char* actionCaption, const char* actionName, const char* boxName,
                          const char* pathName, int top, QLineEdit** box) {
        auto* action = new QPushButton(u(actionCaption), this);
        action->setObjectName(actionName);
        action->setGeometry(Twips::rect(6120, top, 1695, 495));
        QFont bold = action->font();
        bold.setBold(true);
        action->setFont(bold);
        *box = new QLineEdit(this);
        (*box)->setObjectName(boxName);
        (*box)->setGeometry(Twips::rect(960, top + 45, 5040, 405));
        (*box)->setLayoutDirection(Qt::LeftToRight); // a path reads left to right
        auto* path = new QPushButton(u(BackupText::PathButton), this);
        path->setObjectName(pathName);
        path->setGeometry(Twips::rect(240, top + 45, 600, 405));
        return std::make_pair(action, path);
    };
    auto [backup, b1] = makeRow(BackupText::BackupButton, "VisualButtonEx2", "Text1", "b1", 840, &m_text1);
    auto [restore, b2] = makeRow(BackupText::RestoreButton, "VisualButtonEx3", "Text2", "b2", 1560, &m_text2);
    connect(backup, &QPushButton::clicked, this, &BackupWindow::backUp);
    connect(restore, &QPushButton::clicked, this, &BackupWindow::restore);
    connect(b1, &QPushButton::clicked, this, &BackupWindow::chooseBackupFile);
    connect(b2, &QPushButton::clicked, this, &BackupWindow::chooseRestoreFile);

    auto* help = new QPushButton(u(BackupText::HelpButton), this);
    help->setObjectName("Command3");
    help->setGeometry(Twips::rect(4320, 2520, 1335, 495));
    connect(help, &QPushButton::clicked, this, &BackupWindow::showHelp);
    auto* exit = new QPushButton(u(BackupText::ExitButton), this);
    exit->setObjectName("Command1");
    exit->setGeometry(Twips::rect(2400, 2520, 1335, 495));
    exit->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(exit, &QPushButton::clicked, this, &BackupWindow::exitWindow);

    // The help panel covers the window and starts hidden.
    m_frame1 = new QFrame(this);
    m_frame1->setObjectName("Frame1");
    m_frame1->setGeometry(Twips::rect(0, 0, 8055, 3315));
    m_frame1->setFrameShape(QFrame::Box);
    m_frame1->setAutoFillBackground(true);
    m_helpText = new QPlainTextEdit(m_frame1);
    m_helpText->setObjectName("TextHelp");
    m_helpText->setGeometry(Twips::rect(120, 120, 7815, 2520));
    m_helpText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_helpText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_helpText->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_helpText->setReadOnly(true);
    m_helpText->setPlainText(helpText());
    auto* hideHelp = new QPushButton(u(BackupText::ExitButton), m_frame1);
    hideHelp->setObjectName("Command2");
    hideHelp->setGeometry(Twips::rect(3360, 2745, 1335, 435));
    connect(hideHelp, &QPushButton::clicked, this, &BackupWindow::hideHelp);
    m_frame1->hide();

    // Opening: place, skin, time, date, clock.
    move(Twips::point(2340, 765));
    Skin::loadInto(this);
    const QDateTime now = Clock::now();
    m_timeLabel->setText(now.time().toString("h.mm"));
    m_dateLabel->setText(SolarCalendar::solarDate(now, 4));
    m_timer1 = new QTimer(this);
    m_timer1->setObjectName("Timer1");
    m_timer1->setInterval(1000);
    connect(m_timer1, &QTimer::timeout, this, &BackupWindow::showTime);
    m_timer1->start();
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

void BackupWindow::chooseBackupFile()
{
    try {
        FileRequest request;
        request.folder = backupFolder();
        request.fileName = defaultBackupName();
        request.filter = u(BackupText::FileFilter);
        m_dialogFileName = request.fileName;
        const QString chosen = Dialogs::instance().saveFile(this, request);
        if (!chosen.isEmpty()) {
            m_dialogFileName = QFileInfo(chosen).fileName();
            m_text1->setText(QDir::toNativeSeparators(chosen));
        }
    } catch (const std::exception& e) {
        Dialogs::show(this, QString::fromLocal8Bit(e.what()), u(BackupText::ErrorCaption), MsgIcon::Exclamation,
                      MsgButtons::Ok, true);
    }
}

void BackupWindow::chooseRestoreFile()
{
    try {
        FileRequest request;
        request.folder = backupFolder();
        // No preset: the dialog keeps the name it last held.
        request.fileName = m_dialogFileName;
        request.filter = u(BackupText::FileFilter);
        const QString chosen = Dialogs::instance().openFile(this, request);
        if (!chosen.isEmpty()) {
            m_dialogFileName = QFileInfo(chosen).fileName();
            m_text2->setText(QDir::toNativeSeparators(chosen));
        }
    } catch (const std::exception& e) {
        Dialogs::show(this, QString::fromLocal8Bit(e.what()), u(BackupText::ErrorCaption), MsgIcon::Exclamation,
                      MsgButtons::Ok, true);
    }
}

void BackupWindow::backUp()
{
    // Pending events run during a copy; a second click then would start a copy inside it.
    if (m_busy)
        return;
    try {
        const QString path = m_text1->text();
        if (path.trimmed().isEmpty()) {
            Dialogs::show(this, u(BackupText::BackupPathEmpty), u(BackupText::Khata), MsgIcon::Exclamation,
                          MsgButtons::Ok, true);
            return;
        }
        if (QFileInfo::exists(path)) {
            if (Dialogs::show(this, u(BackupText::OverwriteQuestion), programTitle(), MsgIcon::None, MsgButtons::YesNo)
                != MsgResult::Yes) {
                Dialogs::show(this, u(BackupText::OverwriteRefused), programTitle(), MsgIcon::Information,
                              MsgButtons::Ok, true);
                return;
            }
        }
        m_busy = true;
        const Backup::Result result = Backup::backupDatabase(path);
        m_busy = false;
        if (result.ok()) {
            Dialogs::show(this, result.message, programTitle(), MsgIcon::None);
            endProgram();
            return;
        }
        Dialogs::show(this, result.message, programTitle(), MsgIcon::Critical, MsgButtons::Ok, true);
        finishCopy();
    } catch (const std::exception& e) {
        m_busy = false;
        Dialogs::show(this, QString::fromLocal8Bit(e.what()), u(BackupText::ErrorCaption), MsgIcon::None);
    }
}

void BackupWindow::restore()
{
    if (m_busy)
        return;
    try {
        const QString path = m_text2->text();
        if (path.trimmed().isEmpty()) {
            Dialogs::show(this, u(BackupText::RestorePathEmpty), u(BackupText::Khata), MsgIcon::Exclamation,
                          MsgButtons::Ok, true);
            return;
        }
        if (Dialogs::show(this, u(BackupText::RestoreQuestion), programTitle(), MsgIcon::None, MsgButtons::YesNo)
            != MsgResult::Yes) {
            Dialogs::show(this, u(BackupText::RestoreDeclined), programTitle(), MsgIcon::None);
            return;
        }
        m_busy = true;
        const Backup::Result result = Backup::restoreDatabase(path);
        m_busy = false;
        switch (result.outcome) {
        case Backup::Outcome::Done:
            // The program ends so that the next start works on the restored data.
            Dialogs::show(this, result.message, programTitle(), MsgIcon::None);
            endProgram();
            return;
        case Backup::Outcome::NotABackup:
            Dialogs::show(this, result.message, u(BackupText::Khata), MsgIcon::Exclamation, MsgButtons::Ok, true);
            break;
        case Backup::Outcome::CopyFailed:
            Dialogs::show(this, result.message, programTitle(), MsgIcon::Critical, MsgButtons::Ok, true);
            break;
        }
        finishCopy();
    } catch (const std::exception& e) {
        m_busy = false;
        Dialogs::show(this, QString::fromLocal8Bit(e.what()) + u(BackupText::RestoreOtherFailure), u(BackupText::Khata),
                      MsgIcon::Exclamation, MsgButtons::Ok, true);
    }
}

void BackupWindow::showHelp()
{
    m_frame1->show();
    m_frame1->raise();
}

void BackupWindow::hideHelp() { m_frame1->hide(); }

void BackupWindow::exitWindow() { close(); }

void BackupWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    // A copy in progress finishes first (its events run inside it); the program ends after.
    if (m_busy) {
        m_closeRequested = true;
        return;
    }
    endProgram();
}

void BackupWindow::finishCopy()
{
    if (m_closeRequested)
        endProgram();
}

void BackupWindow::endProgram()
{
    if (m_ended)
        return;
    m_ended = true;
    m_timer1->stop();
    ProgramEnd::quit();
}
