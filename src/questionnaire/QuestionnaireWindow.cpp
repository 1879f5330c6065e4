#include "questionnaire/QuestionnaireWindow.h"

#include "app/AppSetup.h"
#include "app/Dialogs.h"
#include "app/KeyFilters.h"
#include "app/SelfClosingMessage.h"
#include "app/Skin.h"
#include "app/Twips.h"
#include "data/AnswerTables.h"
#include "data/DatabaseTexts.h"
#include "data/InterestTypes.h"
#include "data/Messages.h"
#include "data/Utf8.h"
#include "questionnaire/AnswerColumns.h"
#include "questionnaire/ItemCheck.h"
#include "questionnaire/QuestionnaireContent.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace {
using AppSetup::persianFont;

// Item captions: "B Nazanin" bold 12 pt; page captions bold 14.25 pt.
QFont itemFont() { return persianFont(12, true); }
QFont pageCaptionFont() { return persianFont(14.25, true); }
QFont instructionFont() { return persianFont(11, true); }

// Page frames: 9495 x 5310 twips at left 360, top 1665 of the client area.
constexpr int FrameLeft = 360, FrameTop = 1665, FrameWidth = 9495, FrameHeight = 5310;

// Item group names of the pages, in type order, per part.
const char* const GroupNames[3][6] = {
    {"ChecksV", "Checks1j", "Checks1H", "ChecksA", "Checks1M", "Checks1G"},
    {"Checks2V", "Checks2J", "Checks2H", "Checks2A", "Checks2M", "Checks2G"},
    {"Checks3v", "Checks3j", "Checks3h", "Checks3a", "Checks3m", "Checks3g"},
};
// Rating boxes: abilities, skills.
const char* const AbilityBoxes[] = {"Text7v", "Text7j", "Text7h", "Text7a", "Text7m", "Text7g"};
const char* const SkillBoxes[] = {"Text7v2", "Text7j2", "Text7h2", "Text7a2", "Text7m2", "Text7g2"};
} // namespace

// ---- QuestionnaireWindow: load ----

QuestionnaireWindow::QuestionnaireWindow(QWidget* parent)
    : QDialog(parent)
{
    setObjectName("FrmTest");
    setWindowTitle(u("صفحه اجراي تست"));
    setLayoutDirection(Qt::RightToLeft);
    setModal(true);
    setFixedSize(Twips::size(9930, 7875));
    move(Twips::point(2340, 765));
    Skin::loadInto(this);

    // The seven record sets; each shows the subject's row once the window is opened for a code.
    m_theme.open(DbFile::Settings, "SELECT * FROM Theme ");
    m_answers[0].open(DbFile::Main, "SELECT * FROM S1 ");
    m_answers[1].open(DbFile::Main, "SELECT * FROM S2 ");
    m_answers[2].open(DbFile::Main, "SELECT * FROM S3 ");
    m_answers[3].open(DbFile::Main, "SELECT * FROM S4");
    m_subject.open(DbFile::Main, "SELECT * FROM IDE");
    m_subjectCheck.open(DbFile::Main, "SELECT * FROM IDE ");

    buildStartScreen();
    buildHeader();
    for (int table = AnswerTables::S1; table <= AnswerTables::S3; ++table)
        for (int type = 0; type < AnswerColumns::TypeCount; ++type)
            buildTickPage((table - 1) * 6 + type + 1, table, type);
    buildRatingPage();

    m_cmdStart = new QPushButton(u("شروع"), this);
    m_cmdStart->setObjectName("CmdStart");
    m_cmdStart->setGeometry(Twips::rect(7425, 7200, 975, 510));
    m_cmdNext = new QPushButton(u("بعدي"), this);
    m_cmdNext->setObjectName("CmdNext");
    m_cmdNext->setGeometry(Twips::rect(5175, 7200, 1455, 480));
    m_cmdNext->setDefault(true); // Enter on a page acts as Next
    m_cmdBack = new QPushButton(u("قبلي"), this);
    m_cmdBack->setObjectName("CmdBack");
    m_cmdBack->setGeometry(Twips::rect(3375, 7200, 1455, 480));
    m_cmdSave = new QPushButton(u("ذخيره و خروج"), this);
    m_cmdSave->setObjectName("CmdSave");
    m_cmdSave->setGeometry(Twips::rect(360, 7200, 1575, 510));
    for (QPushButton* b : {m_cmdStart, m_cmdNext, m_cmdBack, m_cmdSave})
        b->setFont(persianFont(11, true));
    connect(m_cmdStart, &QPushButton::clicked, this, &QuestionnaireWindow::start);
    connect(m_cmdNext, &QPushButton::clicked, this, &QuestionnaireWindow::nextPage);
    connect(m_cmdBack, &QPushButton::clicked, this, &QuestionnaireWindow::previousPage);
    connect(m_cmdSave, &QPushButton::clicked, this, &QuestionnaireWindow::saveAndClose);

    resetToStart();
}

QuestionnaireWindow::~QuestionnaireWindow() = default;

void QuestionnaireWindow::buildStartScreen()
{
    m_title = new QLabel(u("پرسشنامه رغبت سنج تحصيلي - شغلي مراول"), this);
    m_title->setObjectName("LblTitle");
    m_title->setGeometry(Twips::rect(1200, 600, 7635, 1515));
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setWordWrap(true);
    m_title->setFont(persianFont(20, true));

    m_intro = new QLabel(QuestionnaireContent::introduction(), this);
    m_intro->setObjectName("LblIntro");
    m_intro->setGeometry(Twips::rect(600, 3000, 9075, 4095));
    m_intro->setAlignment(Qt::AlignLeading | Qt::AlignTop);
    m_intro->setWordWrap(true);
    m_intro->setFont(persianFont(13, true));
}

void QuestionnaireWindow::buildHeader()
{
    auto* header = new QFrame(this);
    header->setObjectName("Header");
    header->setFrameShape(QFrame::StyledPanel);
    header->setGeometry(Twips::rect(360, 60, 9495, 1575));
    m_header = header;

    // Label and field pairs placed right to left; a label stands at the right of its field.
    // Positions in twips inside the header.
    const QFont font = persianFont(11, true);
    auto label = [&](const char* name, const QString& text, int left, int top, int width) {
        auto* l = new QLabel(text, header);
        l->setObjectName(name);
        l->setFont(font);
        l->setGeometry(Twips::rect(left, top, width, 405));
        // The colon ends the caption at its left, next to the field.
        l->setAlignment(Qt::AlignLeft | Qt::AlignAbsolute | Qt::AlignVCenter);
    };
    auto field = [&](const char* name, int left, int top, int width) {
        auto* e = new QLineEdit(header);
        e->setObjectName(name);
        e->setFont(font);
        e->setGeometry(Twips::rect(left, top, width, 405));
        return e;
    };
    const int row1 = 240, row2 = 900;
    m_txtCode = field("TxtCode", 7935, row1, 900);
    m_txtCode->setReadOnly(true);
    label("LblCode", u(" :کد"), 8850, row1, 570);
    m_txtFName = field("TxtFName", 5700, row1, 1380);
    label("LblFName", u(" :نام"), 7095, row1, 780);
    m_txtLName = field("TxtLName", 2985, row1, 1440);
    label("LblLName", u(" :نام خانوادگي"), 4440, row1, 1245);
    m_cmbJens = new QComboBox(header);
    m_cmbJens->setObjectName("CmbJens");
    m_cmbJens->setFont(font);
    m_cmbJens->addItems({u("پسر"), u("دختر")});
    m_cmbJens->setCurrentIndex(-1);
    m_cmbJens->setGeometry(Twips::rect(1275, row1, 1020, 405));
    label("LblJens", u(" :جنس"), 2310, row1, 660);
    m_txtSen = field("TxtSen", 120, row1, 570);
    label("LblSen", u(" :سن"), 705, row1, 555);
    m_txtTahsil = field("TxtTahsil", 6495, row2, 1380);
    label("LblTahsil", u(" :كلاس"), 7890, row2, 780);
    m_txtDate = field("TxtDate", 3645, row2, 1500);
    label("LblDate", u(" :تاريخ"), 5160, row2, 780);
    m_txtTime = field("TxtTime", 795, row2, 1500);
    label("LblTime", u(" :ساعت"), 2310, row2, 780);

    // At most three digits; a refused key beeps and gives the digits message.
    DigitKeyFilter::installDigits(m_txtSen, 3);

    // The code the window was opened for, kept out of sight.
    m_txtKey = new QLineEdit(this);
    m_txtKey->setObjectName("Txtkey");
    m_txtKey->hide();
}

QGroupBox* QuestionnaireWindow::newPage(int page, const QString& caption)
{
    auto* frame = new QGroupBox(caption, this);
    frame->setObjectName(QStringLiteral("Page%1").arg(page));
    frame->setFont(pageCaptionFont());
    // The type letter stands at the right end of the frame's top edge (style sheets mirror
    // "left" to the right in a right-to-left window).
    frame->setStyleSheet(QStringLiteral("QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; }"));
    frame->setGeometry(Twips::rect(FrameLeft, FrameTop, FrameWidth, FrameHeight));
    frame->hide();
    m_pages[page - 1] = frame;
    return frame;
}

void QuestionnaireWindow::buildTickPage(int page, int table, int type)
{
    QGroupBox* frame = newPage(page, u(InterestTypes::Persian[type]));

    auto* instruction = new QLabel(QuestionnaireContent::instruction(table, type), frame);
    instruction->setObjectName(QStringLiteral("LblInstruction%1").arg(page));
    instruction->setFont(instructionFont());
    instruction->setWordWrap(true);
    instruction->setAlignment(Qt::AlignLeading | Qt::AlignTop);
    const QRect ir = Twips::rect(225, 420, 8925, 600);
    instruction->setGeometry(ir.x(), ir.y(), ir.width(), instruction->heightForWidth(ir.width()));

    const int count = AnswerColumns::itemsPerType(table);
    const int rightCount = table == AnswerTables::S3 ? 7 : 6;
    auto& checks = m_ticks[table - 1][type];
    for (int k = 1; k <= count; ++k) {
        auto* check = new ItemCheck(QuestionnaireContent::item(table, type, k), frame);
        check->setObjectName(QStringLiteral("%1_%2").arg(QLatin1String(GroupNames[table - 1][type])).arg(k - 1));
        check->setProperty("column", AnswerColumns::column(table, type, k));
        check->setFont(itemFont());
        checks.append(check);
    }

    // Two columns, the right one first. Part 2 items are whole sentences, so their columns
    // are a little wider and their rows as tall as the wrapped sentences need.
    const bool sentences = table == 2;
    const QRect rightCol = sentences ? Twips::rect(4725, 0, FrameWidth - 4725 - 120, 0)
                                     : Twips::rect(4995, 0, FrameWidth - 4995 - 150, 0);
    const QRect leftCol = sentences ? Twips::rect(120, 0, 4725 - 120 - 180, 0)
                                    : Twips::rect(225, 0, 4995 - 225 - 240, 0);
    const int top = qMax(instruction->geometry().bottom() + 8, Twips::toPixels(1170));
    const int bottom = Twips::toPixels(FrameHeight) - 8;
    const int pitch = Twips::toPixels(table == AnswerTables::S3 ? 480 : 555);

    auto place = [&](const QVector<ItemCheck*>& column, const QRect& col) {
        QVector<int> heights;
        int total = 0;
        for (ItemCheck* c : column) {
            heights << c->heightForWidth(col.width());
            total += heights.last();
        }
        // Rows at the usual pitch when they fit, else spread evenly over the room left.
        int gap = pitch - (heights.isEmpty() ? 0 : heights.first());
        if (column.size() > 1 && total + gap * (column.size() - 1) > bottom - top)
            gap = (bottom - top - total) / (column.size() - 1);
        gap = qMax(gap, 0);
        int y = top;
        for (int i = 0; i < column.size(); ++i) {
            column[i]->setGeometry(col.x(), y, col.width(), heights[i]);
            y += heights[i] + gap;
        }
    };
    QVector<ItemCheck*> right = checks.mid(0, rightCount);
    // On the part 2 page of type a, item 4 stands above item 3.
    if (table == 2 && type == 3)
        right.swapItemsAt(2, 3);
    place(right, rightCol);
    place(checks.mid(rightCount), leftCol);
}

void QuestionnaireWindow::buildRatingPage()
{
    QGroupBox* frame = newPage(PageCount, QString());

    auto* instruction = new QLabel(QuestionnaireContent::instruction(4), frame);
    instruction->setObjectName("LblInstruction19");
    instruction->setFont(instructionFont());
    instruction->setWordWrap(true);
    instruction->setAlignment(Qt::AlignLeading | Qt::AlignTop);
    // Kept clear of the frame's top edge; the rows start at 1995.
    instruction->setGeometry(Twips::rect(225, 420, 8925, 1515));

    QFont boxFont(QStringLiteral("Arial"));
    boxFont.setPointSize(12);
    boxFont.setBold(true);
    for (int r = 0; r < AnswerColumns::TypeCount; ++r) {
        const int top = 1995 + 450 * r;
        auto makeRow = [&](int k, const char* boxName, QRect labelRect, QRect boxRect) {
            auto* label = new QLabel(QuestionnaireContent::ratingLabel(r, k), frame);
            label->setObjectName(QStringLiteral("%1Label").arg(QLatin1String(boxName)));
            label->setFont(itemFont());
            label->setAlignment(Qt::AlignLeading | Qt::AlignVCenter);
            label->setGeometry(labelRect);
            auto* box = new QLineEdit(frame);
            box->setObjectName(boxName);
            box->setFont(boxFont);
            box->setAlignment(Qt::AlignCenter);
            box->setGeometry(boxRect);
            box->setMaxLength(1);
            // Digits 1 to 7 only; a refused key empties the box.
            new DigitKeyFilter(box, QLatin1Char('1'), QLatin1Char('7'),
                               u("شما بايد از اعداد 1 تا 7 استفاده نماييد"), true);
            m_ratings[r][k - 1] = Rating{box, AnswerColumns::column(AnswerTables::S4, r, k)};
        };
        makeRow(1, AbilityBoxes[r], Twips::rect(6540, top - 30, 2040, 450), Twips::rect(6045, top, 405, 390));
        makeRow(2, SkillBoxes[r], Twips::rect(585, top - 30, 4080, 450), Twips::rect(4695, top, 435, 405));
    }
}

// ---- opening ----

bool QuestionnaireWindow::openFor(const QString& code, QWidget* messageOwner)
{
    m_code = code;
    m_txtKey->setText(code);

    m_subjectCheck.filter("code", code);
    if (m_subjectCheck.isEmpty()) {
        SelfClosingMessage::show(messageOwner, u(Messages::SubjectNotFound));
        return false;
    }
    // Two seats answering for one subject would overwrite each other's answers.
    QString holdError;
    switch (m_hold.acquire(code, &holdError)) {
    case SubjectHold::Outcome::Held: break;
    case SubjectHold::Outcome::HeldElsewhere:
        SelfClosingMessage::show(messageOwner, QString::fromUtf8(DatabaseText::TestOpenElsewhere));
        return false;
    case SubjectHold::Outcome::Failed:
        Dialogs::show(messageOwner, holdError, u("خطا"), MsgIcon::Critical);
        return false;
    }

    // A subject registered before an answer row existed, or whose row was lost, gets an
    // empty row with only the code; the four rows are added together.
    {
        Transaction tx(DbFile::Main);
        if (AnswerTables::ensureRows(code))
            tx.commit();
        for (RecordSet& rs : m_answers) {
            rs.requery();
            rs.filter("code", code);
        }
    }

    m_subject.filter("code", code);
    readRows();
    return true;
}

void QuestionnaireWindow::run(QWidget* owner, const QString& code)
{
    QuestionnaireWindow window(owner);
    if (!window.openFor(code, owner))
        return;
    window.exec();
    window.resetToStart();
}

void QuestionnaireWindow::readRows()
{
    for (int table = AnswerTables::S1; table <= AnswerTables::S3; ++table) {
        RecordSet& rs = m_answers[table - 1];
        for (auto& checks : m_ticks[table - 1])
            for (ItemCheck* c : checks)
                c->setChecked(rs.hasCurrent() && Totals::isTicked(rs.value(c->property("column").toString())));
    }
    for (auto& row : m_ratings)
        for (Rating& r : row)
            r.box->setText(m_answers[3].hasCurrent() ? m_answers[3].value(r.column) : QString());

    m_txtCode->setText(m_subject.value("Code"));
    m_txtFName->setText(m_subject.value("FName"));
    m_txtLName->setText(m_subject.value("LName"));
    m_cmbJens->setCurrentIndex(m_cmbJens->findText(m_subject.value("Jens")));
    m_txtSen->setText(m_subject.value("Sen"));
    m_txtTahsil->setText(m_subject.value("Tahsil"));
    m_txtDate->setText(m_subject.value("Date"));
    m_txtTime->setText(m_subject.value("Time"));
}

// ---- screens and pages ----

void QuestionnaireWindow::resetToStart()
{
    m_cmdStart->show();
    m_cmdNext->hide();
    m_cmdBack->hide();
    m_cmdSave->hide();
    setPageNumber(0);
}

void QuestionnaireWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // Activation: the start screen.
    m_title->show();
    m_intro->show();
    m_header->hide();
    for (QGroupBox* page : m_pages)
        page->hide();
}

bool QuestionnaireWindow::onStartScreen() const { return !m_title->isHidden(); }

void QuestionnaireWindow::setPageNumber(int n)
{
    m_page = qBound(1, n, PageCount);
    if (m_header->isHidden())
        return; // the pages appear with the test screen
    for (int i = 0; i < PageCount; ++i)
        m_pages[i]->setVisible(i + 1 == m_page);
}

void QuestionnaireWindow::start()
{
    m_title->hide();
    m_intro->hide();
    m_header->show();
    m_cmdNext->show();
    m_cmdBack->show();
    setPageNumber(1);
    m_txtCode->setFocus();
    m_cmdStart->hide();
    m_cmdSave->show();
}

void QuestionnaireWindow::nextPage()
{
    // Every page left is stored at once, so a crash loses at most the page in hand.
    writeControlsToRows();
    commitRows();
    setPageNumber(m_page + 1);
}

void QuestionnaireWindow::previousPage()
{
    writeControlsToRows();
    commitRows();
    setPageNumber(m_page - 1);
}

void QuestionnaireWindow::saveAndClose() { closeWindow(true); }

void QuestionnaireWindow::keyPressEvent(QKeyEvent* event)
{
    // Esc is Save and exit (only while that button is up); it never closes the start screen.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (m_cmdSave->isVisible())
            m_cmdSave->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void QuestionnaireWindow::reject() { closeWindow(false); }

void QuestionnaireWindow::closeWindow(bool withTotals)
{
    if (m_closed)
        return;
    m_closed = true;
    writeControlsToRows();
    // However the window closes, the totals are computed from the answers as they are stored
    // and committed with them: a total that disagrees with its answers would be scored.
    commitRows(true);
    m_hold.release();
    if (withTotals)
        QDialog::done(QDialog::Accepted);
    else
        QDialog::reject();
}

// ---- rows ----

Totals::Answers QuestionnaireWindow::answersOnPages() const
{
    Totals::Answers answers;
    for (int table = AnswerTables::S1; table <= AnswerTables::S3; ++table)
        for (const auto& checks : m_ticks[table - 1])
            for (const ItemCheck* c : checks)
                answers[table - 1].insert(c->property("column").toString(), c->isChecked() ? "1" : "0");
    for (const auto& row : m_ratings)
        for (const Rating& r : row)
            answers[3].insert(r.column, r.box->text());
    return answers;
}

Totals::Six QuestionnaireWindow::totalsOnPages() const { return Totals::compute(answersOnPages()); }

void QuestionnaireWindow::writeControlsToRows()
{
    for (int table = AnswerTables::S1; table <= AnswerTables::S3; ++table) {
        RecordSet& rs = m_answers[table - 1];
        if (!rs.hasCurrent())
            continue;
        for (const auto& checks : m_ticks[table - 1])
            for (const ItemCheck* c : checks) {
                const QString column = c->property("column").toString();
                // An unticked item keeps an empty or other stored value until it is touched.
                if (Totals::isTicked(rs.value(column)) != c->isChecked())
                    rs.setValue(column, c->isChecked() ? "1" : "0");
            }
    }
    // A field shows a stored text cut to its length; only a change by the subject is written
    // back, so a longer stored text is not cut short by merely opening the window.
    auto changed = [](RecordSet& rs, const QString& column, const QLineEdit* field) {
        return rs.value(column).left(field->maxLength()) != field->text();
    };
    if (m_answers[3].hasCurrent())
        for (const auto& row : m_ratings)
            for (const Rating& r : row)
                if (changed(m_answers[3], r.column, r.box))
                    m_answers[3].setValue(r.column, r.box->text());

    if (!m_subject.hasCurrent())
        return;
    auto put = [&](const char* column, const QLineEdit* field) {
        if (changed(m_subject, column, field))
            m_subject.setValue(column, field->text());
    };
    put("FName", m_txtFName);
    put("LName", m_txtLName);
    if (m_cmbJens->currentIndex() >= 0 && m_cmbJens->currentText() != m_subject.value("Jens"))
        m_subject.setValue("Jens", m_cmbJens->currentText());
    put("Sen", m_txtSen);
    put("Tahsil", m_txtTahsil);
    put("Date", m_txtDate);
    put("Time", m_txtTime);
}

void QuestionnaireWindow::commitRows(bool withTotals)
{
    // One transaction, in the order S2, IDE, S1, S3, S4; a row that cannot be stored is
    // skipped and the others are still committed. The totals are read back from the rows just
    // written, inside the same transaction, so answers and totals reach the file together.
    Transaction tx(DbFile::Main);
    for (RecordSet* rs : {&m_answers[1], &m_subject, &m_answers[0], &m_answers[2], &m_answers[3]})
        if (rs->hasCurrent())
            rs->update();
    if (withTotals && m_subject.hasCurrent()) {
        QString error;
        const Totals::Answers stored = Totals::read(m_code, &error);
        if (error.isEmpty())
            Totals::store(m_code, Totals::compute(stored));
    }
    tx.commit();
}
