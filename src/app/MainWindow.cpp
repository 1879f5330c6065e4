#include "app/MainWindow.h"

#include "app/AppSetup.h"
#include "app/Dialogs.h"
#include "app/InfoWindows.h"
#include "app/Links.h"
#include "app/ScreenFit.h"
#include "app/RegistrationPanel.h"
#include "app/SelfClosingMessage.h"
#include "app/SettingsPanels.h"
#include "app/Skin.h"
#include "app/WindowFrame.h"
#include "data/ClinicStore.h"
#include "data/Messages.h"
#include "data/PersianText.h"
#include "data/ProgramFolder.h"
#include "data/SettingsStore.h"
#include "data/SubjectStore.h"
#include "data/Utf8.h"
#include "update/UpdateServer.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

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
    {"Command9", "تنظيمات",
     "با کليک بر روي اين دکمه شمامي توانيد:- تم برنامه را عوض کنيد - نام و آدرس کلينيک و... را وارد کنيد"},
    {"Command12", "درباره ما", nullptr},
    {"Command17", "بروز رساني", nullptr},
    {"Command6", "خروج", nullptr},
};

// The window's body inside a scroll area that asks for the whole of it: a screen with room for
// it shows it all, a smaller one scrolls it.
class WholeContentScroll : public QScrollArea {
public:
    using QScrollArea::QScrollArea;
    QSize sizeHint() const override
    {
        const int frame = 2 * frameWidth();
        return widget() ? widget()->sizeHint() + QSize(frame, frame) : QScrollArea::sizeHint();
    }
};

// The picture button asks for the room of its picture; on a small screen it gives it up first.
class PictureButton : public QPushButton {
public:
    using QPushButton::QPushButton;
    QSize sizeHint() const override { return QSize(360, 300).expandedTo(QPushButton::sizeHint()); }
};

// The middle of the window, where the panels open over the picture. It asks for the room its
// largest panel takes, so opening a panel does not make the window scroll.
class Stage : public QWidget {
public:
    using QWidget::QWidget;
    QList<QWidget*> panels;
    QList<QWidget*> stacked; // shown one above the other (theme over settings)
    QSize sizeHint() const override
    {
        QSize size = QWidget::sizeHint();
        const QMargins m = layout() ? layout()->contentsMargins() : QMargins();
        const QSize margins(m.left() + m.right(), m.top() + m.bottom());
        for (QWidget* p : panels)
            size = size.expandedTo(p->sizeHint() + margins);
        int stackedHeight = margins.height();
        for (QWidget* p : stacked) {
            size.setWidth(std::max(size.width(), p->sizeHint().width() + margins.width()));
            stackedHeight += p->sizeHint().height() + (layout() ? layout()->spacing() : 0);
        }
        size.setHeight(std::max(size.height(), stackedHeight));
        return size;
    }
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
    WindowFrame::prepare(this, "Frm1");
    setAttribute(Qt::WA_DeleteOnClose);
    m_subjects = new SubjectStore(this);
    m_settingsStore = new SettingsStore(this);
    m_clinicStore = new ClinicStore(m_settingsStore, this);
    connect(m_clinicStore, &ClinicStore::changed, this, &MainWindow::rebuildClinicData);
    setWindowTitle("Meravel");

    // The whole body scrolls on a screen too small for it; the menu is at the right, the
    // picture with the panels over it in the middle, the hint line below both.
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new WholeContentScroll(this);
    scroll->setObjectName("MainScroll");
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    outer->addWidget(scroll);
    m_content = new QWidget;
    m_content->setObjectName("MainContent");
    scroll->setWidget(m_content);
    scroll->viewport()->setAutoFillBackground(false);
    m_content->setAutoFillBackground(false);
    auto* body = new QVBoxLayout(m_content);
    body->setContentsMargins(6, 6, 6, 6);

    // Top row: the banner, with the help button at its left.
    auto* top = new QHBoxLayout;
    m_banner = new QLabel("Windowed Label", m_content);
    m_banner->setObjectName("SkinLabel1");
    m_banner->setProperty("skinLabel", true);
    m_banner->setAlignment(Qt::AlignCenter);
    m_banner->setFont(AppSetup::persianFont(16, true));
    top->addWidget(m_banner, 1);
    auto* help = new QPushButton("Help", m_content);
    help->setObjectName("CmdHelp");
    help->setToolTip(u("براي مشاهده اين قسمت بايد به اينترنت کانکت شويد"));
    help->setStyleSheet("QPushButton#CmdHelp { background: #c8f0c8; color: #1d4d1d; font-weight: bold; }");
    help->setMinimumSize(60, 40);
    connect(help, &QPushButton::clicked, this, &MainWindow::openFontHelp);
    top->addWidget(help);
    body->addLayout(top);

    auto* middle = new QHBoxLayout;
    middle->addWidget(buildMenu());
    auto* stage = new Stage(m_content);
    stage->setObjectName("MainStage");
    m_stage = stage;
    middle->addWidget(stage, 1);
    body->addLayout(middle, 1);

    m_hint = new QLabel(m_content);
    m_hint->setObjectName("SkinLabel2");
    m_hint->setProperty("skinLabel", true);
    m_hint->setWordWrap(true);
    m_hint->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // The line keeps its room while hidden: a hint coming and going moves nothing.
    QSizePolicy hintPolicy = m_hint->sizePolicy();
    hintPolicy.setRetainSizeWhenHidden(true);
    m_hint->setSizePolicy(hintPolicy);
    m_hint->setMinimumHeight(2 * m_hint->fontMetrics().lineSpacing() + 6);
    m_hint->hide();
    body->addWidget(m_hint);

    // The stage: the picture area below, the panels over it. Row 0 is where the panels at the
    // top open, row 1 where the settings panel opens, at the right, below the theme panel.
    auto* stageGrid = new QGridLayout(stage);
    stageGrid->setContentsMargins(0, 0, 0, 0);
    stageGrid->addWidget(buildPictureArea(), 0, 0, 2, 1);
    buildPanels(stage);
    m_notice = buildNotice();
    m_notice->setParent(stage);
    m_notice->hide();
    stage->panels = {m_registration, m_settings->clinicPanel(), m_notice};
    stage->stacked = {m_settings->themePanel(), m_settings->settingsPanel()};
    stageGrid->addWidget(m_registration, 0, 0, 1, 1, Qt::AlignTop);
    stageGrid->addWidget(m_settings->clinicPanel(), 0, 0, 2, 1, Qt::AlignTop);
    stageGrid->addWidget(m_settings->themePanel(), 0, 0, 1, 1, Qt::AlignTop | Qt::AlignHCenter);
    stageGrid->addWidget(m_settings->settingsPanel(), 1, 0, 1, 1, Qt::AlignBottom | Qt::AlignRight | Qt::AlignAbsolute);
    stageGrid->addWidget(m_notice, 0, 0, 2, 1, Qt::AlignTop | Qt::AlignHCenter);
    stageGrid->setRowStretch(0, 1);
    stageGrid->setRowStretch(1, 1);

    m_versionCheckTimer = new QTimer(this);
    m_versionCheckTimer->setObjectName("Timer1");
    m_versionCheckTimer->setInterval(10000);
    m_versionCheckTimer->setSingleShot(true);
    connect(m_versionCheckTimer, &QTimer::timeout, this, &MainWindow::checkVersionAtStartUp);

    // The background clears the hint line.
    for (QWidget* background : {static_cast<QWidget*>(this), m_content, static_cast<QWidget*>(stage)})
        background->installEventFilter(this);
}

MainWindow::~MainWindow() = default;

QWidget* MainWindow::buildMenu()
{
    m_menu = new QFrame(m_content);
    m_menu->setObjectName("Frame7");
    m_menu->setFrameShape(QFrame::StyledPanel);
    m_menu->installEventFilter(this);
    auto* column = new QVBoxLayout(m_menu);
    column->setSpacing(4);

    using Handler = void (MainWindow::*)();
    const Handler handlers[] = {&MainWindow::openRegistration, &MainWindow::startQuestionnaire,
                                &MainWindow::openScoring,      &MainWindow::openLookup,
                                &MainWindow::showIntroduction, &MainWindow::openWorkbookWindow,
                                &MainWindow::openSettings,     &MainWindow::showAbout,
                                &MainWindow::openUpdate,       &MainWindow::exitProgram};
    for (int i = 0; i < 10; ++i) {
        const MenuEntry& e = kMenu[i];
        auto* b = new QPushButton(u(e.caption), m_menu);
        b->setObjectName(e.name);
        if (e.hint) {
            b->setProperty("hint", u(e.hint));
            b->installEventFilter(this);
        }
        connect(b, &QPushButton::clicked, this, handlers[i]);
        if (i == 0)
            m_registerButton = b;
        const bool exitButton = i == 9;
        if (!exitButton) {
            column->addWidget(b);
            continue;
        }
        // The exit button, a little narrower, closes the window with Esc too.
        b->setShortcut(QKeySequence(Qt::Key_Escape));
        auto* row = new QHBoxLayout;
        row->setContentsMargins(6, 0, 6, 0);
        row->addWidget(b);
        column->addLayout(row);
    }
    column->addStretch(1);
    return m_menu;
}

QWidget* MainWindow::buildPictureArea()
{
    auto* area = new QWidget(m_content);
    area->setObjectName("PictureArea");
    auto* grid = new QGridLayout(area);
    grid->setContentsMargins(0, 0, 0, 0);

    // Right to left: the picture at the right, the version at its left, at the top.
    auto* picture = new PictureButton(area);
    picture->setObjectName("Picture1");
    picture->setFlat(true);
    picture->setText("Meravel");
    picture->setToolTip(u("جهت ورود به سايت کليک کنيد"));
    picture->setStyleSheet("QPushButton#Picture1 { border: none; font-size: 46px; font-weight: bold;"
                           " color: rgba(120, 120, 160, 90); background: transparent; }");
    picture->setMinimumSize(picture->QPushButton::sizeHint());
    picture->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    connect(picture, &QPushButton::clicked, this, &MainWindow::openMakerSites);
    grid->addWidget(picture, 0, 0);

    m_version = new QLabel(area);
    m_version->setObjectName("SkinLabel9");
    m_version->setProperty("skinLabel", true);
    m_version->setLayoutDirection(Qt::LeftToRight);
    grid->addWidget(m_version, 0, 1, Qt::AlignTop);

    auto* channel = new QLabel(
        u("برای آگاهی از آخرین به\u200cروزرسانی\u200cها و نرم\u200cافزارهای تازه، در کانال ما عضو شوید."), area);
    channel->setObjectName("SkinLabel21");
    channel->setProperty("skinLabel", true);
    channel->setWordWrap(true);
    channel->setAlignment(Qt::AlignCenter);
    grid->addWidget(channel, 1, 0, 1, 2);

    // Below it, at the left: the channel, then the list of programs.
    auto* links = new QHBoxLayout;
    links->addStretch(1);
    auto* kanal = new QPushButton(u("عضويت در کانال"), area);
    kanal->setObjectName("Cmandkanal");
    connect(kanal, &QPushButton::clicked, this, &MainWindow::openChannel);
    links->addWidget(kanal);
    auto* productList = new QPushButton(u("دانلود ليست نرم افزار "), area);
    productList->setObjectName("Command14");
    connect(productList, &QPushButton::clicked, this, &MainWindow::openProductList);
    links->addWidget(productList);
    grid->addLayout(links, 2, 0, 1, 2);
    grid->setRowStretch(0, 1);
    grid->setColumnStretch(0, 1);

    // A build without the maker's addresses shows no link to them.
    productList->setVisible(!Links::MakerSite.isEmpty());
    findChild<QPushButton*>("CmdHelp")->setVisible(!Links::MakerSite.isEmpty());
    kanal->setVisible(!Links::Channel.isEmpty());
    if (Links::MakerSite.isEmpty() && Links::ShopSite.isEmpty())
        picture->setToolTip(QString());
    return area;
}

void MainWindow::buildPanels(QWidget* stage)
{
    m_registration = new RegistrationPanel(*m_subjects, stage);
    connect(m_registration, &RegistrationPanel::resetRequested, this, &MainWindow::panelReset);
    connect(m_registration, &RegistrationPanel::started, this, [this] { m_registerButton->setEnabled(false); });
    connect(m_registration, &RegistrationPanel::saved, this, &MainWindow::panelReset);
    connect(m_registration, &RegistrationPanel::cancelled, this, &MainWindow::panelReset);

    m_settings = new SettingsPanels(*m_settingsStore, stage);
    connect(m_settings, &SettingsPanels::resetRequested, this, &MainWindow::panelReset);
    connect(m_settings, &SettingsPanels::skinChosen, this, &MainWindow::setSkin);
    connect(m_settings, &SettingsPanels::clinicNameEdited, m_banner, &QLabel::setText);
    connect(m_settings, &SettingsPanels::logoChanged, this, [this](const QImage& logo) { m_clinic.logo = logo; });
}

QFrame* MainWindow::buildNotice()
{
    auto* notice = new QFrame(m_content);
    notice->setObjectName("Frame3");
    notice->setFrameShape(QFrame::Box);
    notice->setAutoFillBackground(true);
    auto* column = new QVBoxLayout(notice);
    column->setContentsMargins(12, 8, 12, 12);
    auto* title = new QLabel(u("آپديت جديد نرم افزار"), notice);
    title->setObjectName("Frame3Title");
    title->setAlignment(Qt::AlignCenter);
    title->setFont(AppSetup::persianFont(14, true));
    column->addWidget(title);
    auto* text = new QLabel(u("ورژن جديد نرم افزار بر روي سايت قرار گرفته است جهت آپديت روي دكمه بروزرساني كليك كنيد"),
                            notice);
    text->setObjectName("Frame3Text");
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignCenter);
    text->setMinimumWidth(text->fontMetrics().averageCharWidth() * 48);
    column->addWidget(text);
    auto* warning = new QLabel(u("قبل از بروزرساني حتما بكاپ بگيريد"), notice);
    warning->setObjectName("Frame3Warning");
    warning->setAlignment(Qt::AlignCenter);
    warning->setStyleSheet("color: #b00000; font-weight: bold;");
    column->addWidget(warning);
    column->addSpacing(8);
    auto* close = new QPushButton(u("بستن"), notice);
    close->setObjectName("Command13");
    connect(close, &QPushButton::clicked, this, &MainWindow::hideUpdateNotice);
    column->addWidget(close, 0, Qt::AlignHCenter);
    return notice;
}

bool MainWindow::startUp(QString* error)
{
    m_version->setText(ProgramVersion::titleWithVersion());

    bool skinOk = false;
    const QString skinName = Skin::readSkinName(&skinOk);
    if (!skinOk) {
        if (error)
            *error = QStringLiteral("فايل پيدا نشد: \u2066%1\u2069")
                         .arg(QDir::toNativeSeparators(ProgramFolder::skinSettingFile()));
        return false;
    }
    m_settings->setSkinName(skinName);

    // The main database and the settings must be readable before the window opens.
    QString readError;
    m_subjects->isEmpty(&readError);
    if (readError.isEmpty())
        m_settingsStore->load(&readError);
    if (!readError.isEmpty()) {
        if (error)
            *error = readError;
        return false;
    }

    m_settings->loadLogoAtStartUp();
    m_settings->settingsRead();
    rebuildClinicData();
    // The skin last, once every text is in: the size the layouts ask for is the skinned one.
    WindowFrame::finish(this);
    ScreenFit::placeInside(this);
    m_versionCheckTimer->start();
    return true;
}

void MainWindow::rebuildClinicData()
{
    m_clinic = m_clinicStore->load();
    if (!m_clinic.name.isEmpty())
        m_banner->setText(m_clinic.name);
}

QString MainWindow::currentSkinName() const { return m_settings->skinName(); }

void MainWindow::setSkin(const QString& name) { Skin::apply(this, name); }

bool MainWindow::isRegistered() { return !m_subjects->isEmpty(); }

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
    m_registerButton->setEnabled(true);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Enter || event->type() == QEvent::HoverEnter) {
        if (watched == this || watched == m_content || watched == m_stage || watched == m_menu) {
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
    m_versionCheckTimer->stop();
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
    m_versionCheckTimer->stop();
    event->accept();
    if (m_open.showExit)
        m_open.showExit();
}
