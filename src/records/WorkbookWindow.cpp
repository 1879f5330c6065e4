#include "records/WorkbookWindow.h"

#include "data/PersianText.h"
#include "app/AppSetup.h"
#include "app/Dialogs.h"
#include "app/Links.h"
#include "data/ProgramFolder.h"
#include "app/SelfClosingMessage.h"
#include "app/Skin.h"
#include "app/Twips.h"
#include "records/WorkbookImport.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>

namespace {
using AppSetup::persianFont;

// The help panel's text: it begins and ends with a line break.
const QString HelpText = QStringLiteral("\n"
    "ابتدا روي دکمه انتخاب آزمودني کليک کرده " "\n"
    "و کدآزمودني را وارد و روي اوکي کليک " "\n"
    "کنيد. بعد روي دکمه انتخاب فايل اکسل " "\n"
    "کليک کنيد و فايل تکميل شده را انتخاب " "\n"
    "کنيد تا وارد نرم افزار شود و در نهايت قسمت " "\n"
    "کليدگذاري مي توانيد نتيجه را مشاهده نمائيد." "\n"
    "ضمنا نام فايل اکسل و نام فولدري که (فايل " "\n"
    "اکسلي که ميخواهيد انتخاب کنيد در آن " "\n"
    "هست) نبايد با حروف فارسي باشد."
    "\n");

MsgIcon iconOf(WorkbookImport::Box::Icon icon)
{
    switch (icon) {
    case WorkbookImport::Box::Information:
        return MsgIcon::Information;
    case WorkbookImport::Box::Exclamation:
        return MsgIcon::Exclamation;
    case WorkbookImport::Box::None:
        break;
    }
    return MsgIcon::None;
}
} // namespace

WorkbookWindow* WorkbookWindow::open(QWidget* mainWindow)
{
    auto* w = new WorkbookWindow(mainWindow);
    w->show();
    return w;
}

WorkbookWindow::WorkbookWindow(QWidget* mainWindow) : QWidget(nullptr), m_main(mainWindow)
{
    setObjectName("Frm_File");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Excel"));
    setLayoutDirection(Qt::RightToLeft);
    setFixedSize(Twips::size(7500, 4080));
    setFont(persianFont());

    auto button = [this](const char* name, const QString& caption, int top) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setGeometry(Twips::rect(5220, top, 2160, 495));
        b->setFont(persianFont(11, true));
        return b;
    };
    m_printBtn = button("Print_Btn", QStringLiteral("انتخاب آزمودني"), 240);
    m_sendBtnExcel = button("Send_BtnExcel", QStringLiteral("انتخاب فايل اكسل"), 840);
    m_downBtnExcel = button("Down_BtnExcel", QStringLiteral("دانلود فايل خام اكسل"), 1440);
    m_command2 = button("Command2", QStringLiteral("راهنما"), 2040);
    m_exitBtn = button("Exit_Btn", QStringLiteral("خروج"), 2640);
    m_sendBtnExcel->setEnabled(false);

    auto* caption = new QLabel(QStringLiteral(": نام آزمودني"), this);
    caption->setGeometry(Twips::rect(3900, 3420, 1200, 420));
    caption->setFont(persianFont(11, true));
    caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_name = new QLabel(this);
    m_name->setObjectName("Label2");
    m_name->setGeometry(Twips::rect(240, 3420, 3600, 420));
    m_name->setFont(persianFont(11, true));
    // Mirrored in the right-to-left window: the name stands next to its caption.
    m_name->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    Skin::loadInto(this);

    // The help panel, hidden until "راهنما".
    m_frame1 = new QFrame(this);
    m_frame1->setObjectName("Frame1");
    m_frame1->setFrameShape(QFrame::Box);
    m_frame1->setAutoFillBackground(true);
    m_frame1->setGeometry(Twips::rect(720, 90, 4380, 3255));
    m_help = new QPlainTextEdit(HelpText, m_frame1);
    m_help->setObjectName("Text1");
    m_help->setReadOnly(true);
    m_help->setGeometry(Twips::rect(90, 90, 4200, 2505));
    m_help->setFont(persianFont(10));
    auto* close = new QPushButton(QStringLiteral("بستن"), m_frame1);
    close->setObjectName("Command1");
    close->setGeometry(Twips::rect(1560, 2670, 1260, 465));
    m_frame1->hide();

    if (m_main)
        m_main->setEnabled(false);

    connect(m_printBtn, &QPushButton::clicked, this, &WorkbookWindow::selectSubject);
    connect(m_sendBtnExcel, &QPushButton::clicked, this, &WorkbookWindow::importWorkbook);
    connect(m_downBtnExcel, &QPushButton::clicked, this, &WorkbookWindow::downloadWorkbook);
    connect(m_command2, &QPushButton::clicked, this, &WorkbookWindow::showHelp);
    connect(close, &QPushButton::clicked, this, &WorkbookWindow::hideHelp);
    connect(m_exitBtn, &QPushButton::clicked, this, &QWidget::close);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
}

WorkbookWindow::~WorkbookWindow()
{
    if (m_main)
        m_main->setEnabled(true);
}

void WorkbookWindow::closeEvent(QCloseEvent* event)
{
    if (m_main)
        m_main->setEnabled(true);
    event->accept();
}

void WorkbookWindow::clearSelection()
{
    m_code = QStringLiteral("Key");
    m_name->clear();
    m_sendBtnExcel->setEnabled(false);
}

void WorkbookWindow::selectSubject()
{
    const QString code = PersianText::foldDigits(Dialogs::instance().input(
        this, QStringLiteral("Enter Code "), QStringLiteral(" Plese Insert Code "), QString()));
    const WorkbookImport::Selection s = WorkbookImport::select(code);
    switch (s.status) {
    case WorkbookImport::Selection::EmptyCode:
        SelfClosingMessage::show(this, s.message);
        return;
    case WorkbookImport::Selection::NotFound:
        // A failed selection leaves no subject selected, so nothing can be imported to a code
        // that has no subject.
        clearSelection();
        SelfClosingMessage::show(this, s.message);
        return;
    case WorkbookImport::Selection::Failed:
        clearSelection();
        Dialogs::show(this, s.message, "Error", MsgIcon::Exclamation, MsgButtons::Ok, true);
        return;
    case WorkbookImport::Selection::Selected:
        break;
    }
    m_code = code;
    m_name->setText(s.name);
    m_sendBtnExcel->setEnabled(true);
}

void WorkbookWindow::importWorkbook()
{
    FileRequest request;
    // The import reads OpenDocument workbooks too.
    request.filter = QStringLiteral("All (*.*)|*.*|xlsx (*.xlsx)|*.xlsx|xls (*.xls)|*.xls|ods (*.ods)|*.ods");
    const QString path = Dialogs::instance().openFile(this, request);
    const WorkbookImport::Result r = WorkbookImport::run(m_code, path);
    Dialogs::show(this, r.box.text, r.box.caption, iconOf(r.box.icon), MsgButtons::Ok, r.box.caption == "Error");
}

void WorkbookWindow::downloadWorkbook()
{
    // Without the maker's site in this build, the blank workbook of the program folder is it.
    if (Links::MakerSite.isEmpty())
        Dialogs::instance().openUrl(QUrl::fromLocalFile(ProgramFolder::file(QStringLiteral("Meravel-Excel.xlsx"))));
    else
        Dialogs::instance().openUrl(QUrl(Links::onMakerSite("/Soft/Meravel/Meravel-Excel.zip")));
}

void WorkbookWindow::showHelp()
{
    m_frame1->show();
    m_frame1->raise();
}

void WorkbookWindow::hideHelp() { m_frame1->hide(); }
