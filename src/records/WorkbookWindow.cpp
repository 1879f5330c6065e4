#include "records/WorkbookWindow.h"

#include "data/PersianText.h"
#include "app/AppSetup.h"
#include "app/Dialogs.h"
#include "app/Links.h"
#include "data/ProgramFolder.h"
#include "app/SelfClosingMessage.h"
#include "app/WindowFrame.h"
#include "records/WorkbookImport.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>

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
    WindowFrame::prepare(this, "Frm_File");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Excel"));
    setFont(persianFont());

    // The buttons in a column at the right; at their left the help panel with the subject's
    // name under it.
    auto* columns = new QHBoxLayout(this);
    auto* buttons = new QVBoxLayout;
    columns->addLayout(buttons);
    auto* rows = new QVBoxLayout;
    columns->addLayout(rows, 1);
    // Every button as wide as the longest caption needs.
    const QFont buttonFont = persianFont(11, true);
    const int buttonWidth = QFontMetrics(buttonFont).horizontalAdvance(QStringLiteral("دانلود فايل خام اكسل")) + 30;
    auto button = [this, buttons, &buttonFont, buttonWidth](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setFont(buttonFont);
        b->setMinimumWidth(buttonWidth);
        buttons->addWidget(b);
        return b;
    };
    m_selectButton = button("Print_Btn", QStringLiteral("انتخاب آزمودني"));
    m_importButton = button("Send_BtnExcel", QStringLiteral("انتخاب فايل اكسل"));
    m_blankWorkbookButton = button("Down_BtnExcel", QStringLiteral("دانلود فايل خام اكسل"));
    m_helpButton = button("Command2", QStringLiteral("راهنما"));
    m_exitButton = button("Exit_Btn", QStringLiteral("خروج"));
    buttons->addStretch();
    m_importButton->setEnabled(false);

    // The help panel, hidden until "راهنما"; its place stays free meanwhile.
    m_helpPanel = new QFrame(this);
    m_helpPanel->setObjectName("Frame1");
    m_helpPanel->setFrameShape(QFrame::Box);
    m_helpPanel->setAutoFillBackground(true);
    QSizePolicy keepPlace = m_helpPanel->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    m_helpPanel->setSizePolicy(keepPlace);
    auto* panel = new QVBoxLayout(m_helpPanel);
    panel->setContentsMargins(6, 6, 6, 6);
    m_helpText = new QPlainTextEdit(HelpText, m_helpPanel);
    m_helpText->setObjectName("Text1");
    m_helpText->setReadOnly(true);
    m_helpText->setFont(persianFont(10));
    // Room for the whole text, as the panel always showed it.
    const QFontMetrics metrics(m_helpText->font());
    const int widest = AppSetup::widestLine(m_helpText->font(), HelpText.split('\n'));
    m_helpText->setMinimumSize(widest + 24, metrics.lineSpacing() * int(HelpText.count('\n') + 1) + 16);
    panel->addWidget(m_helpText);
    auto* close = new QPushButton(QStringLiteral("بستن"), m_helpPanel);
    close->setObjectName("Command1");
    panel->addWidget(close, 0, Qt::AlignHCenter);
    rows->addWidget(m_helpPanel, 1);
    m_helpPanel->hide();

    auto* nameRow = new QHBoxLayout;
    rows->addLayout(nameRow);
    auto* caption = new QLabel(QStringLiteral(": نام آزمودني"), this);
    caption->setFont(persianFont(11, true));
    nameRow->addWidget(caption);
    m_subjectName = new QLabel(this);
    m_subjectName->setObjectName("Label2");
    m_subjectName->setFont(persianFont(11, true));
    // Mirrored in the right-to-left window: the name stands next to its caption.
    m_subjectName->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    nameRow->addWidget(m_subjectName, 1);

    WindowFrame::finish(this);
    if (m_main)
        m_main->setEnabled(false);

    connect(m_selectButton, &QPushButton::clicked, this, &WorkbookWindow::selectSubject);
    connect(m_importButton, &QPushButton::clicked, this, &WorkbookWindow::importWorkbook);
    connect(m_blankWorkbookButton, &QPushButton::clicked, this, &WorkbookWindow::downloadWorkbook);
    connect(m_helpButton, &QPushButton::clicked, this, &WorkbookWindow::showHelp);
    connect(close, &QPushButton::clicked, this, &WorkbookWindow::hideHelp);
    connect(m_exitButton, &QPushButton::clicked, this, &QWidget::close);
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
    m_subjectName->clear();
    m_importButton->setEnabled(false);
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
    m_subjectName->setText(s.name);
    m_importButton->setEnabled(true);
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
    m_helpPanel->show();
    m_helpPanel->raise();
}

void WorkbookWindow::hideHelp() { m_helpPanel->hide(); }
