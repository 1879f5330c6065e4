#include "app/MainWindow.h"

#include "data/PersianText.h"
#include "app/Dialogs.h"
#include "app/InfoWindows.h"
#include "app/Links.h"
#include "app/RegistrationPanel.h"
#include "app/SelfClosingMessage.h"
#include "app/SettingsPanels.h"
#include "app/Skin.h"
#include "app/Twips.h"

#include "data/Messages.h"
#include "data/ProgramFolder.h"
#include "data/Utf8.h"
#include "update/UpdateServer.h"

#include <QCloseEvent>
#include <QDir>
#include <QCoreApplication>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

namespace {
struct MenuEntry {
    const char* name;
    const char* caption;
    const char* hint; // nullptr: the button leaves the hint line as it is
};

const MenuEntry kMenu[] = {
    {"Command1", "ثبت نام آزمودني",
     " شما بايد هر آزمودني را ابتدا ثبت نام کرده و سپس روي دکمه اجراي تست کليک کرده و کد آزمودني را وارد کنيد"},
    {"Command2", "اجراي تست", " جهت جواب دادن به سؤالها روي اين دکمه کليک کنيد و کد آزمودني مورد نظر را وارد کنيد "},
    {"Command3", "کليد گذاري و محاسبه", " جهت کليد گذاري و محاسبه نتيجه تست روي اين دکمه کليک مي کنيد"},
    {"Command4", "نمايش کد آزمودني",
     " درصورتيکه کد آزمودني را فراموش کرده ايد با کليک بر روي  اين قسمت مي توانيد آن را بدست بياوريد"},
    {"Command11", "معرفي پرسشنامه", nullptr},
    {"Command5", "فايل آزمودني", nullptr},
    {"Command9", "تنظيمات", "با کليک بر روي اين دکمه شمامي توانيد:- تم برنامه را عوض کنيد - نام و آدرس کلينيک و... را وارد کنيد"},
    {"Command12", "درباره ما", nullptr},
    {"Command17", "بروز رساني", nullptr},
    {"Command6", "خروج", nullptr},
};
} // namespace

MainWindow* MainWindow::load(const WindowOpeners& openers)
{
    auto* window = new MainWindow(openers);
    QString error;
    if (!window->startUp(&error)) {
        Dialogs::show(nullptr, error, "Meravel", MsgIcon::Critical);
        window->m_exiting = true;
        delete window;
        return nullptr;
    }
    window->show();
    return window;
}

MainWindow::MainWindow(const WindowOpeners& openers)
    : m_open(openers)
{
    setObjectName("Frm1");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Meravel");
    setFixedSize(Twips::size(10635, 8325));
    setLayoutDirection(Qt::RightToLeft);

    m_banner = new QLabel("Windowed Label", this);
    m_banner->setObjectName("SkinLabel1");
    m_banner->setProperty("skinLabel", true);
    m_banner->setGeometry(Twips::rect(1080, 120, 9495, 555));
    m_banner->setAlignment(Qt::AlignCenter);
    QFont bannerFont = m_banner->font();
    bannerFont.setPointSize(16);
    bannerFont.setBold(true);
    m_banner->setFont(bannerFont);

    m_version = new QLabel(this);
    m_version->setObjectName("SkinLabel9");
    m_version->setProperty("skinLabel", true);
    m_version->setGeometry(Twips::rect(90, 795, 2385, 375));
    m_version->setLayoutDirection(Qt::LeftToRight);

    m_hint = new QLabel(this);
    m_hint->setObjectName("SkinLabel2");
    m_hint->setProperty("skinLabel", true);
    m_hint->setGeometry(Twips::rect(270, 7440, 9975, 615));
    m_hint->setWordWrap(true);
    m_hint->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_hint->hide();

    auto* channel = new QLabel(
        u("برای آگاهی از آخرین به\u200cروزرسانی\u200cها و نرم\u200cافزارهای تازه، در کانال ما عضو شوید."), this);
    channel->setObjectName("SkinLabel21");
    channel->setProperty("skinLabel", true);
    channel->setGeometry(Twips::rect(690, 5745, 6300, 375));
    channel->setWordWrap(true);
    channel->setAlignment(Qt::AlignCenter);

    auto* command14 = new QPushButton(u("دانلود ليست نرم افزار "), this);
    command14->setObjectName("Command14");
    command14->setGeometry(Twips::rect(705, 6120, 1980, 465));
    connect(command14, &QPushButton::clicked, this, &MainWindow::openProductList);

    auto* kanal = new QPushButton(u("عضويت در کانال"), this);
    kanal->setObjectName("Cmandkanal");
    kanal->setGeometry(Twips::rect(2835, 6120, 1740, 465));
    connect(kanal, &QPushButton::clicked, this, &MainWindow::openChannel);

    auto* help = new QPushButton("Help", this);
    help->setObjectName("CmdHelp");
    help->setGeometry(Twips::rect(75, 75, 945, 675));
    help->setToolTip(u("براي مشاهده اين قسمت بايد به اينترنت کانکت شويد"));
    help->setStyleSheet("QPushButton#CmdHelp { background: #c8f0c8; color: #1d4d1d; font-weight: bold; }");
    connect(help, &QPushButton::clicked, this, &MainWindow::openFontHelp);

    auto* picture1 = new QPushButton(this);
    picture1->setObjectName("Picture1");
    picture1->setFlat(true);
    picture1->setText("Meravel");
    picture1->setGeometry(Twips::rect(2475, 780, 5400, 4800));
    picture1->setToolTip(u("جهت ورود به سايت کليک کنيد"));
    picture1->setStyleSheet("QPushButton#Picture1 { border: none; font-size: 46px; font-weight: bold;"
                            " color: rgba(120, 120, 160, 90); background: transparent; }");
    connect(picture1, &QPushButton::clicked, this, &MainWindow::openMakerSites);
    // A build without the maker's addresses shows no link to them.
    command14->setVisible(!Links::MakerSite.isEmpty());
    help->setVisible(!Links::MakerSite.isEmpty());
    kanal->setVisible(!Links::Channel.isEmpty());
    if (Links::MakerSite.isEmpty() && Links::ShopSite.isEmpty())
        picture1->setToolTip(QString());

    buildMenu();
    buildNotice();

    m_registration = new RegistrationPanel(this);
    m_settings = new SettingsPanels(this);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName("Timer1");
    m_timer1->setInterval(10000);
    m_timer1->setSingleShot(true);
    connect(m_timer1, &QTimer::timeout, this, &MainWindow::checkVersionAtStartUp);

    // The background clears the hint line.
    installEventFilter(this);
}

MainWindow::~MainWindow() = default;

void MainWindow::buildMenu()
{
    m_frame7 = new QFrame(this);
    m_frame7->setObjectName("Frame7");
    m_frame7->setGeometry(Twips::rect(8160, 780, 2415, 6555));
    m_frame7->setFrameShape(QFrame::StyledPanel);
    m_frame7->installEventFilter(this);

    using Handler = void (MainWindow::*)();
    const Handler handlers[] = {&MainWindow::openRegistration, &MainWindow::startQuestionnaire, &MainWindow::openScoring,
                                &MainWindow::openLookup, &MainWindow::showIntroduction, &MainWindow::openWorkbookWindow,
                                &MainWindow::openSettings, &MainWindow::showAbout, &MainWindow::openUpdate,
                                &MainWindow::exitProgram};
    int top = 120;
    for (int i = 0; i < 10; ++i) {
        const MenuEntry& e = kMenu[i];
        auto* b = new QPushButton(u(e.caption), m_frame7);
        b->setObjectName(e.name);
        const bool exitButton = i == 9;
        const int width = exitButton ? 1965 : 2145;
        b->setGeometry(Twips::rect((2415 - width) / 2, top, width, 555));
        top += 640;
        if (e.hint) {
            b->setProperty("hint", u(e.hint));
            b->installEventFilter(this);
        }
        connect(b, &QPushButton::clicked, this, handlers[i]);
        if (i == 0)
            m_command1 = b;
        if (exitButton)
            b->setShortcut(QKeySequence(Qt::Key_Escape));
    }
}

void MainWindow::buildNotice()
{
    m_notice = new QFrame(this);
    m_notice->setObjectName("Frame3");
    m_notice->setGeometry(Twips::rect(2340, 990, 5340, 3795));
    m_notice->setFrameShape(QFrame::Box);
    m_notice->setAutoFillBackground(true);
    auto* title = new QLabel(u("آپديت جديد نرم افزار"), m_notice);
    title->setObjectName("Frame3Title");
    title->setGeometry(Twips::rect(120, 120, 5100, 495));
    title->setAlignment(Qt::AlignCenter);
    QFont f = title->font();
    f.setBold(true);
    f.setPointSize(14);
    title->setFont(f);
    auto* text = new QLabel(u("ورژن جديد نرم افزار بر روي سايت قرار گرفته است جهت آپديت روي دكمه بروزرساني كليك كنيد"), m_notice);
    text->setObjectName("Frame3Text");
    text->setGeometry(Twips::rect(240, 720, 4860, 1300));
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignCenter);
    auto* warning = new QLabel(u("قبل از بروزرساني حتما بكاپ بگيريد"), m_notice);
    warning->setObjectName("Frame3Warning");
    warning->setGeometry(Twips::rect(240, 2100, 4860, 600));
    warning->setAlignment(Qt::AlignCenter);
    warning->setStyleSheet("color: #b00000; font-weight: bold;");
    auto* close = new QPushButton(u("بستن"), m_notice);
    close->setObjectName("Command13");
    close->setGeometry(Twips::rect(1950, 2940, 1440, 555));
    connect(close, &QPushButton::clicked, this, &MainWindow::hideUpdateNotice);
    m_notice->hide();
}

bool MainWindow::startUp(QString* error)
{
    move(Twips::point(2340, 765));
    m_version->setText(ProgramVersion::titleWithVersion());

    bool skinOk = false;
    m_skinName = Skin::readSkinName(&skinOk);
    if (!skinOk) {
        if (error)
            *error = QStringLiteral("فايل پيدا نشد: \u2066%1\u2069")
                         .arg(QDir::toNativeSeparators(ProgramFolder::skinSettingFile()));
        return false;
    }
    Skin::apply(this, m_skinName);

    struct Opening {
        RecordSet* set;
        DbFile file;
        const char* query;
    };
    const Opening openings[] = {
        {&m_theme, DbFile::Settings, "SELECT * FROM Theme "}, {&m_subjects, DbFile::Main, "SELECT * FROM IDE "},
        {&m_registeredSubjects, DbFile::Main, "SELECT * FROM IDE"},        {&m_answersS1, DbFile::Main, "SELECT * FROM S1 "},
        {&m_answersS2, DbFile::Main, "SELECT * FROM S2 "},        {&m_answersS3, DbFile::Main, "SELECT * FROM S3 "},
        {&m_answersS4, DbFile::Main, "SELECT * FROM S4 "},
    };
    for (const Opening& o : openings)
        if (!o.set->open(o.file, QString::fromLatin1(o.query), error))
            return false;
    m_settings->settingsRowRead();

    m_settings->loadLogoAtStartUp();
    m_theme.requery();
    m_settings->settingsRowRead();
    rebuildClinicData();
    m_timer1->start();
    return true;
}

void MainWindow::rebuildClinicData()
{
    m_clinic = ClinicData::load();
    m_banner->setText(m_clinic.name.isEmpty() ? m_banner->text() : m_clinic.name);
}

RecordSet& MainWindow::answers(int table)
{
    switch (table) {
    case AnswerTables::S1: return m_answersS1;
    case AnswerTables::S2: return m_answersS2;
    case AnswerTables::S3: return m_answersS3;
    default: return m_answersS4;
    }
}

bool MainWindow::isRegistered() { return !m_registeredSubjects.isEmpty(); }

void MainWindow::rereadRegisteredList() { m_registeredSubjects.requery(); }

void MainWindow::setRegistrationButtonEnabled(bool enabled) { m_command1->setEnabled(enabled); }

void MainWindow::setBannerText(const QString& text) { m_banner->setText(text); }

void MainWindow::setHint(const QString& hint)
{
    m_hint->setText(hint);
    m_hint->setVisible(!hint.isEmpty());
}

void MainWindow::showUpdateNotice()
{
    m_notice->show();
    m_notice->raise();
}

bool MainWindow::updateNoticeVisible() const { return m_notice->isVisible(); }

void MainWindow::panelReset()
{
    m_settings->hideAll();
    m_registration->hide();
    setRegistrationButtonEnabled(true);
    if (!m_subjects.isEmpty())
        m_subjects.requery();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Enter || event->type() == QEvent::HoverEnter) {
        if (watched == this || watched == m_frame7) {
            setHint(QString());
        } else {
            const QVariant hint = watched->property("hint");
            if (hint.isValid())
                setHint(hint.toString());
        }
    } else if (event->type() == QEvent::Leave && watched->property("hint").isValid()) {
        // Moving from a button to its frame sends the frame no enter event: the hint of the
        // button left goes with it.
        setHint(QString());
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::openLink(const QString& url)
{
    if (!url.isEmpty())
        Dialogs::instance().openUrl(QUrl(url));
}

// ---- menu ----

void MainWindow::openRegistration() { m_registration->open(); }

void MainWindow::startQuestionnaire()
{
    if (!isRegistered()) {
        SelfClosingMessage::show(this, u("شما بايد ابتدا يک آزمودني را ثبت نام کنيد"));
        return;
    }
    panelReset();
    const QString code = PersianText::foldDigits(
        Dialogs::instance().input(this, "Enter Code ", u(Messages::CodePrompt), QString()));
    if (code.isEmpty()) {
        SelfClosingMessage::show(this, u(Messages::NoCode));
        return;
    }
    if (m_open.runTest)
        m_open.runTest(this, code);
}

void MainWindow::openScoring()
{
    if (isRegistered() && m_open.showScoring)
        m_open.showScoring(this);
}

void MainWindow::openLookup()
{
    if (!isRegistered())
        return;
    panelReset();
    if (m_open.showCodeLookup)
        m_open.showCodeLookup(this);
}

void MainWindow::showIntroduction() { InfoWindows::showIntroduction(this); }

void MainWindow::openWorkbookWindow()
{
    panelReset();
    if (m_open.showExcel)
        m_open.showExcel(this);
}

void MainWindow::openSettings() { m_settings->openSettings(); }

void MainWindow::showAbout()
{
    if (!isRegistered())
        return;
    panelReset();
    InfoWindows::showAbout(this);
}

void MainWindow::openUpdate()
{
    if (m_open.showUpdate)
        m_open.showUpdate(this);
}

void MainWindow::exitProgram() { close(); }

void MainWindow::hideUpdateNotice() { m_notice->hide(); }

void MainWindow::openProductList() { openLink(Links::onMakerSite("/Soft/soft-list2.pdf")); }

void MainWindow::openChannel() { openLink(Links::Channel); }

void MainWindow::openFontHelp() { openLink(Links::onMakerSite("/other/fonts.html")); }

void MainWindow::openMakerSites()
{
    openLink(Links::MakerSite);
    openLink(Links::ShopSite);
}

void MainWindow::checkVersionAtStartUp()
{
    m_timer1->stop();
    if (m_open.startupVersionCheck)
        m_open.startupVersionCheck(this);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_exiting) {
        event->accept();
        return;
    }
    // Every way of closing the main window leads to the exit window; the main window unloads.
    m_exiting = true;
    panelReset();
    m_subjects.requery();
    m_timer1->stop();
    event->accept();
    if (m_open.showExit)
        m_open.showExit();
}
