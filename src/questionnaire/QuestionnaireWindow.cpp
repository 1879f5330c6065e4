#include "questionnaire/QuestionnaireWindow.h"

#include "app/AppSetup.h"
#include "app/ContentScroll.h"
#include "app/Dialogs.h"
#include "app/KeyFilters.h"
#include "app/SelfClosingMessage.h"
#include "app/WindowFrame.h"
#include "data/AnswerTables.h"
#include "data/DatabaseTexts.h"
#include "data/InterestTypes.h"
#include "data/Messages.h"
#include "data/Utf8.h"
#include "questionnaire/AnswerColumns.h"
#include "questionnaire/InstructionLabel.h"
#include "questionnaire/ItemCheck.h"
#include "questionnaire/QuestionnaireContent.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {
using AppSetup::persianFont;

// Item captions: "B Nazanin" bold 12 pt; page captions bold 14.25 pt.
QFont itemFont() { return persianFont(12, true); }
QFont pageCaptionFont() { return persianFont(14.25, true); }
QFont instructionFont() { return persianFont(11, true); }

// Item group names of the pages, in type order, per part.
const char* const GroupNames[3][6] = {
    {"ChecksV", "Checks1j", "Checks1H", "ChecksA", "Checks1M", "Checks1G"},
    {"Checks2V", "Checks2J", "Checks2H", "Checks2A", "Checks2M", "Checks2G"},
    {"Checks3v", "Checks3j", "Checks3h", "Checks3a", "Checks3m", "Checks3g"},
};
// Rating boxes: abilities, skills.
const char* const AbilityBoxes[] = {"Text7v", "Text7j", "Text7h", "Text7a", "Text7m", "Text7g"};
const char* const SkillBoxes[] = {"Text7v2", "Text7j2", "Text7h2", "Text7a2", "Text7m2", "Text7g2"};

QLabel* instructionLabel(const QString& text, int page, QWidget* parent)
{
    auto* instruction = new InstructionLabel(text, parent);
    instruction->setObjectName(QStringLiteral("LblInstruction%1").arg(page));
    instruction->setFont(instructionFont());
    instruction->setWordWrap(true);
    instruction->setAlignment(Qt::AlignLeading | Qt::AlignTop);
    return instruction;
}

// A field wide enough for `sample` (the longest value it usually shows) in its own font.
void widthFor(QWidget* field, const QString& sample)
{
    field->setMinimumWidth(field->fontMetrics().horizontalAdvance(sample) + 16);
}
} // namespace

// ---- QuestionnaireWindow: load ----

QuestionnaireWindow::QuestionnaireWindow(QWidget* parent)
    : QDialog(parent)
{
    WindowFrame::prepare(this, "FrmTest");
    setWindowTitle(u("صفحه اجراي تست"));
    setModal(true);

    // Top to bottom: the start screen or the header and the page, scrolled together where the
    // screen is too small for them; then the buttons, always in sight.
    // The scroll area comes first and the content is made inside it, so that every control is
    // styled once, as it is added, under the window's skin.
    m_scroll = new ContentScroll(this);
    m_scroll->setObjectName("TestScroll");
    auto* content = new QWidget(m_scroll->viewport());
    content->setObjectName("TestContent");
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(12, 6, 12, 6);
    column->setSpacing(8);
    column->addWidget(buildStartScreen(content));
    column->addWidget(buildHeader(content));
    m_pages = new QStackedWidget(content);
    m_pages->setObjectName("Pages");
    // The type letter stands at the right end of each page frame's top edge (style sheets
    // mirror "left" to the right in a right-to-left window).
    m_pages->setStyleSheet(
        QStringLiteral("QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; }"));
    column->addWidget(m_pages, 1);
    for (int table = AnswerTables::S1; table <= AnswerTables::S3; ++table)
        for (int type = 0; type < AnswerColumns::TypeCount; ++type)
            buildTickPage((table - 1) * 6 + type + 1, table, type);
    buildRatingPage();

    m_scroll->setWidget(content);
    auto* window = new QVBoxLayout(this);
    window->setContentsMargins(0, 0, 0, 8);
    window->setSpacing(4);
    window->addWidget(m_scroll, 1);
    window->addWidget(buildNavigation());

    // The window takes the size of the test screen, so that turning to the pages does not
    // change it; the start screen comes up when it is shown.
    m_startScreen->hide();
    WindowFrame::finish(this);
    resetToStart();
}

QuestionnaireWindow::~QuestionnaireWindow() = default;

QWidget* QuestionnaireWindow::buildStartScreen(QWidget* parent)
{
    auto* screen = new QWidget(parent);
    screen->setObjectName("StartScreen");
    m_startScreen = screen;
    auto* column = new QVBoxLayout(screen);
    column->setContentsMargins(24, 24, 24, 0);
    column->setSpacing(48);

    auto* title = new QLabel(u("پرسشنامه رغبت سنج تحصيلي - شغلي مراول"), screen);
    title->setObjectName("LblTitle");
    title->setAlignment(Qt::AlignCenter);
    title->setWordWrap(true);
    title->setFont(persianFont(20, true));
    column->addWidget(title);

    auto* intro = new InstructionLabel(QuestionnaireContent::introduction(), screen);
    intro->setObjectName("LblIntro");
    intro->setAlignment(Qt::AlignLeading | Qt::AlignTop);
    intro->setWordWrap(true);
    intro->setFont(persianFont(13, true));
    column->addWidget(intro, 1);
    return screen;
}

QWidget* QuestionnaireWindow::buildHeader(QWidget* parent)
{
    auto* header = new QFrame(parent);
    header->setObjectName("Header");
    header->setFrameShape(QFrame::StyledPanel);
    m_header = header;

    // Two rows of caption and field pairs, right to left; a caption stands at the right of its
    // field.
    const QFont font = persianFont(11, true);
    auto* rows = new QVBoxLayout(header);
    rows->setContentsMargins(8, 10, 8, 10);
    rows->setSpacing(16);
    QHBoxLayout* row = nullptr;
    auto newRow = [&] {
        row = new QHBoxLayout;
        row->setSpacing(4);
        rows->addLayout(row);
    };
    auto pair = [&](const char* labelName, const QString& caption, QWidget* field, const char* fieldName) {
        auto* label = new QLabel(caption, header);
        label->setObjectName(labelName);
        label->setFont(font);
        // The colon ends the caption at its left, next to the field.
        label->setAlignment(Qt::AlignLeft | Qt::AlignAbsolute | Qt::AlignVCenter);
        field->setObjectName(fieldName);
        field->setFont(font);
        if (row->count() > 0)
            row->addSpacing(14);
        row->addWidget(label);
        row->addWidget(field, 1);
    };
    auto field = [&] { return new QLineEdit(header); };

    newRow();
    m_subjectCode = field();
    m_subjectCode->setReadOnly(true);
    pair("LblCode", u(" :کد"), m_subjectCode, "TxtCode");
    m_firstName = field();
    pair("LblFName", u(" :نام"), m_firstName, "TxtFName");
    m_lastName = field();
    pair("LblLName", u(" :نام خانوادگي"), m_lastName, "TxtLName");
    m_sex = new QComboBox(header);
    m_sex->addItems({u("پسر"), u("دختر")});
    m_sex->setCurrentIndex(-1);
    pair("LblJens", u(" :جنس"), m_sex, "CmbJens");
    m_age = field();
    pair("LblSen", u(" :سن"), m_age, "TxtSen");
    newRow();
    m_grade = field();
    pair("LblTahsil", u(" :كلاس"), m_grade, "TxtTahsil");
    m_date = field();
    pair("LblDate", u(" :تاريخ"), m_date, "TxtDate");
    m_time = field();
    pair("LblTime", u(" :ساعت"), m_time, "TxtTime");
    row->addStretch(1);

    widthFor(m_subjectCode, "000000");
    widthFor(m_firstName, "0000000000");
    widthFor(m_lastName, "0000000000");
    widthFor(m_age, "000");
    widthFor(m_grade, "0000000000");
    widthFor(m_date, "0000/00/00");
    widthFor(m_time, "00:00:00");

    // At most three digits; a refused key beeps and gives the digits message.
    DigitKeyFilter::installDigits(m_age, 3);

    m_openedCode = new QLineEdit(this);
    m_openedCode->setObjectName("Txtkey");
    m_openedCode->hide();
    return header;
}

QWidget* QuestionnaireWindow::buildNavigation()
{
    auto* bar = new QWidget(this);
    bar->setObjectName("Navigation");
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(24, 0, 24, 0);
    row->setSpacing(24);
    auto button = [&](const char* name, const char* caption) {
        auto* b = new QPushButton(u(caption), bar);
        b->setObjectName(name);
        b->setFont(persianFont(11, true));
        // As wide as the old buttons, wider where the face needs it.
        b->setMinimumWidth(qMax(96, b->sizeHint().width()));
        return b;
    };
    // Right to left: Start (on the start screen) or Next and Back, then Save and exit at the
    // left end.
    m_startButton = button("CmdStart", "شروع");
    m_nextButton = button("CmdNext", "بعدي");
    m_nextButton->setDefault(true); // Enter on a page acts as Next
    m_backButton = button("CmdBack", "قبلي");
    m_saveButton = button("CmdSave", "ذخيره و خروج");
    row->addStretch(2);
    row->addWidget(m_startButton);
    row->addWidget(m_nextButton);
    row->addWidget(m_backButton);
    row->addStretch(3);
    row->addWidget(m_saveButton);
    connect(m_startButton, &QPushButton::clicked, this, &QuestionnaireWindow::start);
    connect(m_nextButton, &QPushButton::clicked, this, &QuestionnaireWindow::nextPage);
    connect(m_backButton, &QPushButton::clicked, this, &QuestionnaireWindow::previousPage);
    connect(m_saveButton, &QPushButton::clicked, this, &QuestionnaireWindow::saveAndClose);
    return bar;
}

QGroupBox* QuestionnaireWindow::newPage(int page, const QString& caption)
{
    auto* frame = new QGroupBox(caption, m_pages);
    frame->setObjectName(QStringLiteral("Page%1").arg(page));
    frame->setFont(pageCaptionFont());
    m_pages->addWidget(frame);
    return frame;
}

void QuestionnaireWindow::buildTickPage(int page, int table, int type)
{
    QGroupBox* frame = newPage(page, u(InterestTypes::Persian[type]));
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(12, 6, 12, 12);
    layout->setSpacing(12);
    layout->addWidget(instructionLabel(QuestionnaireContent::instruction(table, type), page, frame));

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

    // Two columns of equal width, the right one first; a caption wider than its column wraps
    // onto further lines. Part 3 has more and shorter items, in closer rows.
    auto* columns = new QHBoxLayout;
    columns->setSpacing(24);
    layout->addLayout(columns);
    layout->addStretch(1);
    auto place = [&](const QVector<ItemCheck*>& items) {
        auto* column = new QVBoxLayout;
        column->setSpacing(table == AnswerTables::S3 ? 6 : 10);
        for (ItemCheck* c : items)
            column->addWidget(c);
        column->addStretch(1);
        columns->addLayout(column, 1);
    };
    QVector<ItemCheck*> right = checks.mid(0, rightCount);
    // On the part 2 page of type a, item 4 stands above item 3.
    if (table == 2 && type == 3)
        right.swapItemsAt(2, 3);
    place(right);
    place(checks.mid(rightCount));
}

void QuestionnaireWindow::buildRatingPage()
{
    QGroupBox* frame = newPage(PageCount, QString());
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(12);
    layout->addWidget(instructionLabel(QuestionnaireContent::instruction(4), PageCount, frame));

    // Each row right to left: the ability and its box, then the skill's box and the skill.
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    grid->setColumnStretch(2, 1);
    grid->setColumnStretch(4, 2);
    grid->setColumnMinimumWidth(2, 24);
    layout->addLayout(grid);
    layout->addStretch(1);
    const QFont boxFont = persianFont(12, true);
    for (int r = 0; r < AnswerColumns::TypeCount; ++r) {
        auto makeRating = [&](int k, const char* boxName, int labelColumn, int boxColumn) {
            auto* label = new QLabel(QuestionnaireContent::ratingLabel(r, k), frame);
            label->setObjectName(QStringLiteral("%1Label").arg(QLatin1String(boxName)));
            label->setFont(itemFont());
            label->setAlignment(Qt::AlignLeading | Qt::AlignVCenter);
            grid->addWidget(label, r, labelColumn);
            auto* box = new QLineEdit(frame);
            box->setObjectName(boxName);
            box->setFont(boxFont);
            box->setAlignment(Qt::AlignCenter);
            box->setMaxLength(1);
            box->setFixedWidth(box->fontMetrics().horizontalAdvance(QLatin1Char('7')) + 22);
            grid->addWidget(box, r, boxColumn);
            // Digits 1 to 7 only; a refused key empties the box.
            new DigitKeyFilter(box, QLatin1Char('1'), QLatin1Char('7'),
                               u("شما بايد از اعداد 1 تا 7 استفاده نماييد"), true);
            m_ratings[r][k - 1] = Rating{box, AnswerColumns::column(AnswerTables::S4, r, k)};
        };
        makeRating(1, AbilityBoxes[r], 0, 1);
        makeRating(2, SkillBoxes[r], 4, 3);
    }
}

// ---- opening ----

bool QuestionnaireWindow::openFor(const QString& code, QWidget* messageOwner)
{
    m_code = code;
    m_openedCode->setText(code);

    if (!m_subjects.exists(code)) {
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
    m_answers.ensureRows(code);
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

QString QuestionnaireWindow::storedValue(const QHash<QString, QString>& row, const QString& column)
{
    // Stored column names are matched without regard to case.
    if (const auto found = row.constFind(column); found != row.cend())
        return *found;
    for (auto it = row.cbegin(); it != row.cend(); ++it)
        if (it.key().compare(column, Qt::CaseInsensitive) == 0)
            return it.value();
    return {};
}

void QuestionnaireWindow::readRows()
{
    m_stored = m_answers.load(m_code).rows;
    m_storedHeader.clear();
    if (const std::optional<Subject> subject = m_subjects.load(m_code))
        m_storedHeader = {{"Code", subject->code}, {"FName", subject->firstName}, {"LName", subject->lastName},
                          {"Jens", subject->sex},  {"Sen", subject->age},         {"Tahsil", subject->schoolClass},
                          {"Date", subject->date}, {"Time", subject->time}};
    for (int table = AnswerTables::S1; table <= AnswerTables::S3; ++table)
        for (auto& checks : m_ticks[table - 1])
            for (ItemCheck* c : checks)
                c->setChecked(Totals::isTicked(storedValue(m_stored[table - 1], c->property("column").toString())));
    for (auto& row : m_ratings)
        for (Rating& r : row)
            r.box->setText(storedValue(m_stored[3], r.column));

    m_subjectCode->setText(m_storedHeader.value("Code"));
    m_firstName->setText(m_storedHeader.value("FName"));
    m_lastName->setText(m_storedHeader.value("LName"));
    m_sex->setCurrentIndex(m_sex->findText(m_storedHeader.value("Jens")));
    m_age->setText(m_storedHeader.value("Sen"));
    m_grade->setText(m_storedHeader.value("Tahsil"));
    m_date->setText(m_storedHeader.value("Date"));
    m_time->setText(m_storedHeader.value("Time"));
}

// ---- screens and pages ----

void QuestionnaireWindow::resetToStart()
{
    m_startButton->show();
    m_nextButton->hide();
    m_backButton->hide();
    m_saveButton->hide();
    setPageNumber(0);
}

void QuestionnaireWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // Activation: the start screen.
    m_startScreen->show();
    m_header->hide();
    m_pages->hide();
}

bool QuestionnaireWindow::onStartScreen() const { return !m_startScreen->isHidden(); }

void QuestionnaireWindow::setPageNumber(int n)
{
    m_page = qBound(1, n, PageCount);
    // The stack shows one page; it appears with the test screen. A new page is read from its top.
    m_pages->setCurrentIndex(m_page - 1);
    m_scroll->verticalScrollBar()->setValue(0);
}

void QuestionnaireWindow::start()
{
    m_startScreen->hide();
    m_header->show();
    m_pages->show();
    m_nextButton->show();
    m_backButton->show();
    setPageNumber(1);
    m_subjectCode->setFocus();
    m_startButton->hide();
    m_saveButton->show();
}

void QuestionnaireWindow::nextPage()
{
    // Every page left is stored at once, so a crash loses at most the page in hand.
    commitPages();
    setPageNumber(m_page + 1);
}

void QuestionnaireWindow::previousPage()
{
    commitPages();
    setPageNumber(m_page - 1);
}

void QuestionnaireWindow::saveAndClose() { closeWindow(true); }

void QuestionnaireWindow::keyPressEvent(QKeyEvent* event)
{
    // Esc is Save and exit (only while that button is up); it never closes the start screen.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (m_saveButton->isVisible())
            m_saveButton->click();
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
    // However the window closes, the totals are computed from the answers as they are stored
    // and committed with them: a total that disagrees with its answers would be scored.
    commitPages(true);
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

AnswerStore::Write QuestionnaireWindow::changesOnPages() const
{
    AnswerStore::Write write;
    for (int table = AnswerTables::S1; table <= AnswerTables::S3; ++table)
        for (const auto& checks : m_ticks[table - 1])
            for (const ItemCheck* c : checks) {
                const QString column = c->property("column").toString();
                // An unticked item keeps an empty or other stored value until it is touched.
                if (Totals::isTicked(storedValue(m_stored[table - 1], column)) != c->isChecked())
                    write.rows[table - 1].insert(column, c->isChecked() ? "1" : "0");
            }
    // A field shows a stored text cut to its length; only a change by the subject is written
    // back, so a longer stored text is not cut short by merely opening the window.
    auto changed = [](const QString& stored, const QLineEdit* field) {
        return stored.left(field->maxLength()) != field->text();
    };
    for (const auto& row : m_ratings)
        for (const Rating& r : row)
            if (changed(storedValue(m_stored[3], r.column), r.box))
                write.rows[3].insert(r.column, r.box->text());

    if (m_storedHeader.isEmpty())
        return write; // the subject was removed meanwhile: no header to write back
    auto put = [&](const char* column, const QLineEdit* field) {
        if (changed(m_storedHeader.value(column), field))
            write.subject.insert(column, field->text());
    };
    put("FName", m_firstName);
    put("LName", m_lastName);
    if (m_sex->currentIndex() >= 0 && m_sex->currentText() != m_storedHeader.value("Jens"))
        write.subject.insert("Jens", m_sex->currentText());
    put("Sen", m_age);
    put("Tahsil", m_grade);
    put("Date", m_date);
    put("Time", m_time);
    return write;
}

void QuestionnaireWindow::commitPages(bool withTotals)
{
    // Answers, header and (on closing) the totals of the rows as they stand after the write go
    // to the database in one transaction, so answers and totals reach the file together.
    AnswerStore::Write write = changesOnPages();
    write.totalsFromStored = withTotals && !m_storedHeader.isEmpty();
    QString error;
    if (!m_answers.save(m_code, write, &error)) {
        Dialogs::show(this, error, u("خطا"), MsgIcon::Critical);
        return;
    }
    for (int table = 0; table < 4; ++table)
        for (auto it = write.rows[size_t(table)].cbegin(); it != write.rows[size_t(table)].cend(); ++it)
            m_stored[size_t(table)].insert(it.key(), it.value());
    for (auto it = write.subject.cbegin(); it != write.subject.cend(); ++it)
        m_storedHeader.insert(it.key(), it.value());
}
