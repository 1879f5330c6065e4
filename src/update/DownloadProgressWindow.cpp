#include "update/DownloadProgressWindow.h"

#include "app/AppSetup.h"
#include "app/Dialogs.h"
#include "app/Links.h"
#include "app/WindowFrame.h"
#include "data/ProgramFolder.h"
#include "update/FileDownloader.h"
#include "update/HttpFetch.h"
#include "update/ReleaseManifest.h"
#include "update/SetupSignature.h"
#include "update/UpdateServer.h"
#include "update/UpdateTexts.h"
#include "update/VersionCheck.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <cmath>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace {
std::function<bool(const QString&)>& startOverride()
{
    static std::function<bool(const QString&)> f;
    return f;
}

std::function<void()>& endOverride()
{
    static std::function<void()> f;
    return f;
}

QLabel* label(QWidget* parent, const char* name, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setProperty("skinLabel", true);
    l->setAlignment(Qt::AlignCenter);
    return l;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setMinimumWidth(120);
    return b;
}
} // namespace

DownloadProgressWindow::DownloadProgressWindow(QWidget* mainWindow)
    : QWidget(nullptr)
    , m_main(mainWindow)
{
    WindowFrame::prepare(this, "Progress");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(UpdateTexts::ProgressCaption);

    // Top to bottom: the program's name, the maker's site, the bar in its track, the
    // percentage (beside the hidden address), the two buttons.
    auto* name = label(this, "SkinLabel1", ProgramVersion::titleWithVersion());
    name->setFont(AppSetup::persianFont(14, true));
    auto* contact = label(this, "SkinLabel2", QUrl(Links::MakerSite).host());
    contact->setLayoutDirection(Qt::LeftToRight);

    m_barTrack = new QFrame(this);
    m_barTrack->setObjectName("Pic1");
    m_barTrack->setStyleSheet("QFrame#Pic1 { background: white; }");
    m_barTrack->setMinimumSize(440, 25);
    m_barTrack->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // The bar grows from the left edge whatever the reading direction.
    m_barTrack->setLayoutDirection(Qt::LeftToRight);
    m_barTrack->installEventFilter(this);
    m_bar = new QFrame(m_barTrack);
    m_bar->setObjectName("I1");
    m_bar->setStyleSheet("QFrame#I1 { background: #008080; }");

    m_percentLabel = label(this, "SkinLabel4", QStringLiteral("0"));
    m_percentLabel->setLayoutDirection(Qt::LeftToRight);
    m_percentLabel->setMinimumWidth(120);
    m_addressLabel = label(this, "Label1", UpdateTexts::AddressLabel);
    m_addressEdit = new QLineEdit(UpdateServer::setupAddress(), this);
    m_addressEdit->setObjectName("Text");

    m_downloadButton = button(this, "cmdUpdate", UpdateTexts::DownloadButton);
    connect(m_downloadButton, &QPushButton::clicked, this, &DownloadProgressWindow::downloadOrCancel);
    m_closeButton = button(this, "Command1", UpdateTexts::CloseButton);
    connect(m_closeButton, &QPushButton::clicked, this, &QWidget::close);

    auto* track = new QHBoxLayout;
    track->addSpacing(30);
    track->addWidget(m_barTrack);
    track->addSpacing(30);
    auto* percent = new QHBoxLayout;
    percent->addStretch();
    percent->addWidget(m_addressLabel);
    percent->addWidget(m_percentLabel);
    percent->addWidget(m_addressEdit, 1);
    percent->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(24);
    buttons->addStretch();
    buttons->addWidget(m_downloadButton);
    buttons->addWidget(m_closeButton);
    buttons->addStretch();
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 8, 20, 16);
    column->setSpacing(6);
    column->addWidget(name);
    column->addWidget(contact);
    column->addSpacing(4);
    column->addLayout(track);
    column->addLayout(percent);
    column->addSpacing(4);
    column->addLayout(buttons);

    m_fileDownloader = new FileDownloader(this);
    m_fileDownloader->setObjectName("FileDownloader");
    connect(m_fileDownloader, &FileDownloader::progress, this, &DownloadProgressWindow::onProgress);
    connect(m_fileDownloader, &FileDownloader::failed, this, &DownloadProgressWindow::onFailed);
    connect(m_fileDownloader, &FileDownloader::downloadComplete, this, [this] { m_completed = true; });
    connect(m_fileDownloader, &FileDownloader::finished, this, &DownloadProgressWindow::onFinished);

    // The address stays hidden: the set-up program comes from the update server only.
    m_addressLabel->hide();
    m_addressEdit->hide();
    WindowFrame::finish(this);
}

DownloadProgressWindow::~DownloadProgressWindow()
{
    // Gone in the middle of a download (the program ends): its folder goes with it.
    if (m_fileDownloader->isRunning())
        dropPrivateFolder();
    if (m_main)
        m_main->setEnabled(true);
}

DownloadProgressWindow* DownloadProgressWindow::open(QWidget* mainWindow)
{
    auto* window = new DownloadProgressWindow(mainWindow);
    window->show();
    window->activateWindow();
    return window;
}

void DownloadProgressWindow::setStartProgram(std::function<bool(const QString&)> start) { startOverride() = std::move(start); }
void DownloadProgressWindow::setEndApplication(std::function<void()> end) { endOverride() = std::move(end); }

bool DownloadProgressWindow::startSetupProgram(const QString& path)
{
#ifdef Q_OS_WIN
    // Started minimised and focused, like the set-up programs of earlier releases.
    QProcess process;
    process.setProgram(path);
    process.setWorkingDirectory(QFileInfo(path).absolutePath());
    process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments* args) {
        args->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
        args->startupInfo->wShowWindow = SW_SHOWMINIMIZED;
    });
    return process.startDetached();
#else
    // A Windows set-up program cannot run here as it is: hand it to the desktop, which may
    // know a way to run it (or at least shows the file).
    return Dialogs::instance().openUrl(QUrl::fromLocalFile(path));
#endif
}

QString DownloadProgressWindow::setupAddress() const { return m_addressEdit->text(); }
void DownloadProgressWindow::setSetupAddress(const QString& address) { m_addressEdit->setText(address); }

bool DownloadProgressWindow::event(QEvent* event)
{
    // The main window stays disabled while this window is about.
    if ((event->type() == QEvent::WindowActivate || event->type() == QEvent::Show) && m_main)
        m_main->setEnabled(false);
    return QWidget::event(event);
}

bool DownloadProgressWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_barTrack && event->type() == QEvent::Resize)
        placeBar();
    return QWidget::eventFilter(watched, event);
}

void DownloadProgressWindow::closeEvent(QCloseEvent* event)
{
    if (m_fileDownloader->isRunning()) {
        // The download is cancelled first (its partial file goes); the window closes once it
        // has stopped.
        m_closeRequested = true;
        m_fileDownloader->cancel();
        event->ignore();
        return;
    }
    event->accept();
}

void DownloadProgressWindow::placeBar()
{
    m_bar->setGeometry(0, 0, int(std::lround(m_barShare * m_barTrack->width())), m_barTrack->height());
}

void DownloadProgressWindow::setBusy(bool busy)
{
    m_busy = busy;
    m_downloadButton->setText(busy ? UpdateTexts::CancelButton : UpdateTexts::DownloadButton);
    m_addressEdit->setEnabled(!busy);
}

void DownloadProgressWindow::downloadOrCancel()
{
    if (m_busy) {
        ++m_attempt; // a manifest still on its way is dropped
        if (m_fileDownloader->isRunning())
            m_fileDownloader->cancel(); // back to idle once it has stopped
        else
            setBusy(false);
        return;
    }
    setBusy(true);
    ++m_attempt;
    m_address = m_addressEdit->text();
    fetchManifest();
}

// Only a release its maker signed, newer than this program, is downloaded at all.
void DownloadProgressWindow::fetchManifest()
{
    const QString address = ReleaseManifest::address();
    if (address.isEmpty()) {
        refuseDownload(QString());
        return;
    }
    const quint64 attempt = m_attempt;
    HttpFetch::getAsync(
        QUrl(address), this,
        [this, attempt, address](const HttpFetch::Result& manifest) {
            if (attempt != m_attempt)
                return;
            if (!manifest.ok) {
                refuseDownload(QString());
                return;
            }
            HttpFetch::getAsync(
                QUrl(ReleaseManifest::signatureAddress(address)), this,
                [this, attempt, body = manifest.body](const HttpFetch::Result& signature) {
                    if (attempt != m_attempt)
                        return;
                    if (!signature.ok
                        || ReleaseManifest::verify(body, signature.body, SetupSignature::publicKey(),
                                                   VersionCheck::ownComparisonNumber(), &m_manifest)
                            != ReleaseManifest::Verdict::Accepted) {
                        refuseDownload(QString());
                        return;
                    }
                    startDownload();
                },
                10000, SetupSignature::SignatureSize + 1);
        },
        10000, ReleaseManifest::MaxBytes + 1);
}

void DownloadProgressWindow::startDownload()
{
    // The set-up program goes to a fresh folder only this user can write, so nobody can
    // swap the file between its check and its start.
    m_privateFolder = std::make_unique<QTemporaryDir>();
    m_privateFolder->setAutoRemove(false); // the set-up program runs on after the program ends
    if (!m_privateFolder->isValid()) {
        Dialogs::show(this, m_privateFolder->errorString(), QStringLiteral("خطا"), MsgIcon::Critical);
        setBusy(false);
        return;
    }
    QFile::setPermissions(m_privateFolder->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_destination = m_privateFolder->path() + '/' + UpdateServer::GetFileName(m_address);
    m_completed = false;
    // Nothing beyond the signed size is taken, and a trickling server does not hold the
    // window for ever.
    m_fileDownloader->setExpectedSize(m_manifest.size);
    m_fileDownloader->setDeadline(30 * 60 * 1000);
    m_fileDownloader->start(m_address, m_destination);
}

void DownloadProgressWindow::onProgress(const QString& percent)
{
    m_barShare = qBound(0.0, percent.toDouble() / 100.0, 1.0);
    placeBar();
    m_percentLabel->setText(percent + '%');
}

void DownloadProgressWindow::onFailed(const QString& message)
{
    Dialogs::show(this, message, QStringLiteral("Error"), MsgIcon::Critical);
}

void DownloadProgressWindow::onFinished()
{
    // The set-up program is started only after its signature has been checked, once the
    // download has ended.
    if (m_completed && !m_closeRequested) {
        finishDownload(m_destination);
    } else {
        dropPrivateFolder();
        setBusy(false);
    }
    if (m_closeRequested)
        QTimer::singleShot(0, this, &QWidget::close);
}

void DownloadProgressWindow::refuseDownload(const QString& file)
{
    if (!file.isEmpty())
        QFile::remove(file);
    dropPrivateFolder();
    Dialogs::show(this, UpdateTexts::BadSignature, QStringLiteral("خطا"), MsgIcon::Critical, MsgButtons::Ok, true);
    setBusy(false);
}

void DownloadProgressWindow::dropPrivateFolder()
{
    if (m_privateFolder)
        m_privateFolder->remove();
    m_privateFolder.reset();
}

void DownloadProgressWindow::finishDownload(const QString& destination)
{
    if (!ReleaseManifest::fileMatches(destination, m_manifest)) {
        refuseDownload(destination);
        return;
    }
    Dialogs::show(this, UpdateTexts::Downloaded, QStringLiteral("Success"), MsgIcon::Information, MsgButtons::Ok, true);
    setBusy(false);
    // Checked once more right before it starts: these are the bytes that run.
    if (!ReleaseManifest::fileMatches(destination, m_manifest)) {
        refuseDownload(destination);
        return;
    }
    const bool started = startOverride() ? startOverride()(destination) : startSetupProgram(destination);
    if (!started) {
        // Nothing runs the set-up: the program stays, so the user can still work or retry.
        Dialogs::show(this, QStringLiteral("برنامه نصب اجرا نشد: ") + QChar(0x2066) + destination + QChar(0x2069),
                      QStringLiteral("خطا"), MsgIcon::Critical);
        dropPrivateFolder();
        return;
    }
    if (endOverride())
        endOverride()();
    else
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}
