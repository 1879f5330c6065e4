#include "update/DownloadProgressWindow.h"

#include "app/AppSetup.h"
#include "app/Dialogs.h"
#include "app/Links.h"
#include "app/Skin.h"
#include "app/Twips.h"
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
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <cmath>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace {
constexpr int kBarBoxTwips = 6700;

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

QLabel* label(QWidget* parent, const char* name, const QString& text, const QRect& geometry)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setProperty("skinLabel", true);
    l->setGeometry(geometry);
    l->setAlignment(Qt::AlignCenter);
    return l;
}
} // namespace

DownloadProgressWindow::DownloadProgressWindow(QWidget* mainWindow)
    : QWidget(nullptr)
    , m_main(mainWindow)
{
    setObjectName("Progress");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(UpdateTexts::ProgressCaption);
    setLayoutDirection(Qt::RightToLeft);

    QFont persian = font();
    persian.setFamilies(AppSetup::persianFamilies());

    auto* name = label(this, "SkinLabel1", ProgramVersion::titleWithVersion(), Twips::rect(300, 120, 7800, 495));
    QFont big = name->font();
    big.setPointSize(14);
    big.setBold(true);
    name->setFont(big);
    auto* contact = label(this, "SkinLabel2", QUrl(Links::MakerSite).host(), Twips::rect(300, 600, 7800, 375));
    contact->setLayoutDirection(Qt::LeftToRight);

    m_pic1 = new QFrame(this);
    m_pic1->setObjectName("Pic1");
    m_pic1->setGeometry(Twips::rect(750, 1140, kBarBoxTwips, 375));
    m_pic1->setStyleSheet("QFrame#Pic1 { background: white; }");
    // The bar grows from the left edge whatever the reading direction.
    m_pic1->setLayoutDirection(Qt::LeftToRight);
    m_i1 = new QFrame(m_pic1);
    m_i1->setObjectName("I1");
    m_i1->setStyleSheet("QFrame#I1 { background: #008080; }");
    m_i1->setGeometry(0, 0, 0, m_pic1->height());

    m_skinLabel4 = label(this, "SkinLabel4", QStringLiteral("0"), Twips::rect(3300, 1560, 1800, 375));
    m_skinLabel4->setLayoutDirection(Qt::LeftToRight);

    m_addressLabel = label(this, "Label1", UpdateTexts::AddressLabel, Twips::rect(6600, 1560, 1500, 375));
    m_text = new QLineEdit(UpdateServer::setupAddress(), this);
    m_text->setObjectName("Text");
    m_text->setGeometry(Twips::rect(300, 1560, 6200, 375));

    m_cmdUpdate = new QPushButton(UpdateTexts::DownloadButton, this);
    m_cmdUpdate->setObjectName("cmdUpdate");
    m_cmdUpdate->setGeometry(Twips::rect(4380, 2040, 1800, 555));
    m_cmdUpdate->setFont(persian);
    connect(m_cmdUpdate, &QPushButton::clicked, this, &DownloadProgressWindow::downloadOrCancel);
    m_command1 = new QPushButton(UpdateTexts::CloseButton, this);
    m_command1->setObjectName("Command1");
    m_command1->setGeometry(Twips::rect(2220, 2040, 1800, 555));
    m_command1->setFont(persian);
    connect(m_command1, &QPushButton::clicked, this, &DownloadProgressWindow::exitWindow);

    m_fileDownloader = new FileDownloader(this);
    m_fileDownloader->setObjectName("FileDownloader");
    connect(m_fileDownloader, &FileDownloader::DownloadProgress, this, &DownloadProgressWindow::onDownloadProgress);
    connect(m_fileDownloader, &FileDownloader::DownloadErrors, this, &DownloadProgressWindow::onDownloadError);
    connect(m_fileDownloader, &FileDownloader::DowloadComplete, this, &DownloadProgressWindow::onDownloadComplete);

    // Load: skin, empty bar, place, hide the address.
    Skin::loadInto(this);
    setBarTwips(0);
    setGeometry(QRect(Twips::point(2400, 3220), Twips::size(8400, 3165)));
    setFixedSize(Twips::size(8400, 3165));
    m_addressLabel->hide();
    m_text->hide();
}

DownloadProgressWindow::~DownloadProgressWindow()
{
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

QString DownloadProgressWindow::setupAddress() const { return m_text->text(); }
void DownloadProgressWindow::setSetupAddress(const QString& address) { m_text->setText(address); }

bool DownloadProgressWindow::event(QEvent* event)
{
    // The main window stays disabled while this window is about.
    if ((event->type() == QEvent::WindowActivate || event->type() == QEvent::Show) && m_main)
        m_main->setEnabled(false);
    return QWidget::event(event);
}

void DownloadProgressWindow::closeEvent(QCloseEvent* event)
{
    if (m_fileDownloader->isRunning()) {
        // The download is cancelled first; the window closes once it has stopped.
        m_closeRequested = true;
        m_fileDownloader->Cancel();
        event->ignore();
        return;
    }
    event->accept();
}

void DownloadProgressWindow::setBarTwips(int twips)
{
    m_barTwips = qBound(0, twips, kBarBoxTwips);
    m_i1->setGeometry(0, 0, Twips::toPixels(m_barTwips), m_pic1->height());
}

void DownloadProgressWindow::downloadOrCancel()
{
    if (m_cmdUpdate->text() != UpdateTexts::DownloadButton) {
        m_fileDownloader->Cancel();
        m_cmdUpdate->setText(UpdateTexts::DownloadButton);
        return;
    }
    m_cmdUpdate->setText(UpdateTexts::CancelButton);
    const QString address = m_text->text();
    // Only a release its maker signed, newer than this program, is downloaded at all.
    if (!fetchManifest()) {
        refuseDownload(QString());
        return;
    }
    // The set-up program goes to a fresh folder only this user can write, so nobody can
    // swap the file between its check and its start.
    m_privateFolder = std::make_unique<QTemporaryDir>();
    m_privateFolder->setAutoRemove(false); // the set-up program runs on after the program ends
    if (!m_privateFolder->isValid()) {
        Dialogs::show(this, m_privateFolder->errorString(), QStringLiteral("خطا"), MsgIcon::Critical);
        m_cmdUpdate->setText(UpdateTexts::DownloadButton);
        return;
    }
    QFile::setPermissions(m_privateFolder->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString destination = m_privateFolder->path() + '/' + UpdateServer::GetFileName(address);
    m_completed = false;
    // Nothing beyond the signed size is taken, and a trickling server does not hold the
    // window for ever.
    m_fileDownloader->setExpectedSize(m_manifest.size);
    m_fileDownloader->setDeadline(30 * 60 * 1000);
    m_fileDownloader->DownloadFile(address, destination);
    if (m_completed && !m_closeRequested)
        finishDownload(address, destination);
    else
        dropPrivateFolder();
    if (m_closeRequested)
        QTimer::singleShot(0, this, &QWidget::close);
}

void DownloadProgressWindow::exitWindow() { close(); }

void DownloadProgressWindow::onDownloadProgress(const QString& percent)
{
    setBarTwips(0);
    setBarTwips(int(std::nearbyint(percent.toDouble() * 67)));
    m_skinLabel4->setText(percent + '%');
}

void DownloadProgressWindow::onDownloadError(const QString& message)
{
    Dialogs::show(this, message, QStringLiteral("Error"), MsgIcon::Critical);
    m_cmdUpdate->setText(UpdateTexts::DownloadButton);
    m_fileDownloader->Cancel();
}

void DownloadProgressWindow::onDownloadComplete()
{
    // The set-up program is started only after its signature has been checked, once the
    // download control has returned.
    m_completed = true;
}

bool DownloadProgressWindow::fetchManifest()
{
    const QString address = ReleaseManifest::address();
    if (address.isEmpty())
        return false;
    const HttpFetch::Result manifest = HttpFetch::get(QUrl(address), 10000, ReleaseManifest::MaxBytes + 1);
    if (!manifest.ok)
        return false;
    const HttpFetch::Result signature = HttpFetch::get(QUrl(ReleaseManifest::signatureAddress(address)), 10000,
                                                       SetupSignature::SignatureSize + 1);
    if (!signature.ok)
        return false;
    return ReleaseManifest::verify(manifest.body, signature.body, SetupSignature::publicKey(),
                                   VersionCheck::ownComparisonNumber(), &m_manifest)
        == ReleaseManifest::Verdict::Accepted;
}

void DownloadProgressWindow::refuseDownload(const QString& file)
{
    if (!file.isEmpty())
        QFile::remove(file);
    dropPrivateFolder();
    Dialogs::show(this, UpdateTexts::BadSignature, QStringLiteral("خطا"), MsgIcon::Critical, MsgButtons::Ok, true);
    m_cmdUpdate->setText(UpdateTexts::DownloadButton);
}

void DownloadProgressWindow::dropPrivateFolder()
{
    if (m_privateFolder)
        m_privateFolder->remove();
    m_privateFolder.reset();
}

void DownloadProgressWindow::finishDownload(const QString& address, const QString& destination)
{
    Q_UNUSED(address);
    if (!ReleaseManifest::fileMatches(destination, m_manifest)) {
        refuseDownload(destination);
        return;
    }
    Dialogs::show(this, UpdateTexts::Downloaded, QStringLiteral("Success"), MsgIcon::Information, MsgButtons::Ok, true);
    m_cmdUpdate->setText(UpdateTexts::DownloadButton);
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
