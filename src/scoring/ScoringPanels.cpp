// The scoring window's panels: their building and what they show (ScoringWindow::render).
// The selection, the norm table, the retest and the printing are in ScoringWindow.cpp.
#include "scoring/ScoringWindow.h"

#include "app/AppSetup.h"
#include "app/ContentScroll.h"
#include "scoring/Interpretation.h"
#include "scoring/ProfileChartWidget.h"
#include "scoring/Psychometrics.h"
#include "scoring/PsychometricsTexts.h"
#include "scoring/ScoringTexts.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QTextOption>
#include <QVBoxLayout>

#include <iterator>

namespace {
QString t(const char* text) { return QString::fromUtf8(text); }

using AppSetup::persianFont;

// A value box of the score table, the header, the code and the streams: sunken, centred.
// A value box at least as wide as it is designed, and wider when its text needs it (a fixed
// minimum would let the layout cut a longer value in a wider face).
class ValueLabel : public QLabel {
public:
    ValueLabel(int minWidth, QWidget* parent)
        : QLabel(parent)
        , m_least(minWidth, 24)
    {
    }
    QSize minimumSizeHint() const override { return QLabel::minimumSizeHint().expandedTo(m_least); }
    QSize sizeHint() const override { return QLabel::sizeHint().expandedTo(m_least); }

private:
    QSize m_least;
};

QLabel* valueLabel(const QString& name, QWidget* parent, int minWidth = 44)
{
    auto* l = new ValueLabel(minWidth, parent);
    l->setObjectName(name);
    l->setFrameShape(QFrame::StyledPanel);
    l->setFrameShadow(QFrame::Sunken);
    l->setAlignment(Qt::AlignCenter);
    l->setAutoFillBackground(true);
    l->setBackgroundRole(QPalette::Base);
    return l;
}

// A value box that shows a number: a left-to-right label, so that a score kept with its point
// ("6.") reads "6." and not ".6" in the right-to-left window. The text stays as it is.
QLabel* numberLabel(const QString& name, QWidget* parent, int minWidth = 44)
{
    QLabel* l = valueLabel(name, parent, minWidth);
    l->setLayoutDirection(Qt::LeftToRight);
    return l;
}

QLabel* captionLabel(const QString& text, QWidget* parent, bool bold = false)
{
    auto* l = new QLabel(text, parent);
    l->setFont(persianFont(11, bold));
    l->setAlignment(Qt::AlignVCenter | Qt::AlignRight);
    return l;
}

// A read-only, word-wrapped text of the description panel; long texts scroll rather than
// being cut off.
QPlainTextEdit* descriptionBox(const QString& name, QWidget* parent)
{
    auto* e = new QPlainTextEdit(parent);
    e->setObjectName(name);
    e->setReadOnly(true);
    e->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    e->setLayoutDirection(Qt::RightToLeft);
    e->setFont(persianFont(9));
    e->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    e->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    e->setMinimumHeight(96);
    return e;
}

void setBoxText(QPlainTextEdit* e, const QString& text)
{
    e->setPlainText(text);
    QTextOption option = e->document()->defaultTextOption();
    option.setTextDirection(Qt::RightToLeft);
    option.setAlignment(Qt::AlignRight);
    e->document()->setDefaultTextOption(option);
}

// A titled panel of the window.
QGroupBox* panel(const char* name, const char* title, QWidget* parent)
{
    auto* g = new QGroupBox(t(title), parent);
    g->setObjectName(name);
    g->setFont(persianFont(11, true));
    return g;
}

// A band of the window framed as a styled panel, and its layout with the given margins.
template <typename Layout> std::pair<QFrame*, Layout*> styledBand(const char* name, QWidget* parent, QMargins margins)
{
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setFrameShape(QFrame::StyledPanel);
    auto* layout = new Layout(frame);
    layout->setContentsMargins(margins);
    return {frame, layout};
}

// A bold push button that calls the window's handler when it is clicked.
QPushButton* commandButton(const char* name, const char* caption, int pointSize, QWidget* parent, ScoringWindow* window,
                           void (ScoringWindow::*handler)())
{
    auto* button = new QPushButton(t(caption), parent);
    button->setObjectName(name);
    button->setFont(persianFont(pointSize, true));
    QObject::connect(button, &QPushButton::clicked, window, handler);
    return button;
}

// The six type letters across grid row 0, from column 1; named namePrefix + the Latin letter
// when a prefix is given.
void addTypeLetters(QGridLayout* grid, QWidget* parent, int pointSize, const char* namePrefix = nullptr)
{
    for (int ty = 0; ty < Scoring::TypeCount; ++ty) {
        auto* letter = new QLabel(Scoring::typeLetter(ty), parent);
        if (namePrefix)
            letter->setObjectName(QString(namePrefix) + InterestTypes::Latin[ty]);
        letter->setFont(persianFont(pointSize, true));
        letter->setAlignment(Qt::AlignCenter);
        grid->addWidget(letter, 0, ty + 1);
    }
}

// A row of the score, norm and retest tables: its title, the prefix of its boxes' names (the
// prefix and the type's Latin letter) and where the boxes are kept.
struct TypeRow {
    const char* title;
    const char* prefix;
    std::array<QLabel*, Scoring::TypeCount>* boxes;
};
// How the boxes of such rows look: a pointSize of 0 keeps the faces that captionLabel and
// valueLabel give, a minHeight of 0 the boxes' own height.
struct TypeRowLook {
    int minWidth = 44;
    int pointSize = 0;
    int minHeight = 0;
};

// The rows from grid row 1 down: each title, bold, in column 0 at the right, then its number
// box of each type.
void addTypeRows(QGridLayout* grid, QWidget* parent, std::initializer_list<TypeRow> rows, TypeRowLook look)
{
    int r = 1;
    for (const TypeRow& row : rows) {
        QLabel* title = captionLabel(t(row.title), parent, true);
        if (look.pointSize)
            title->setFont(persianFont(look.pointSize, true));
        grid->addWidget(title, r, 0);
        for (int ty = 0; ty < Scoring::TypeCount; ++ty) {
            QLabel* box = numberLabel(QString(row.prefix) + InterestTypes::Latin[ty], parent, look.minWidth);
            if (look.pointSize)
                box->setFont(persianFont(look.pointSize));
            if (look.minHeight)
                box->setMinimumHeight(look.minHeight);
            (*row.boxes)[size_t(ty)] = box;
            grid->addWidget(box, r, ty + 1);
        }
        ++r;
    }
}
} // namespace

void ScoringWindow::build()
{
    // The panels sit in a scroll area, so the whole window stays reachable on a screen
    // smaller than it. They are made inside its content, so that each control is styled once.
    auto* scroll = new ContentScroll(this);
    scroll->setObjectName("ScoringScroll");
    auto* content = new QWidget(scroll);
    content->setObjectName("ScoringContent");
    scroll->setWidget(content);
    m_scroll = scroll;
    m_content = content;
    // One cell: the scrolled panels, and the help panel over them when it is up.
    auto* outer = new QGridLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll, 0, 0);
    auto* root = new QVBoxLayout(content);
    root->setContentsMargins(8, 8, 8, 8);
    root->setSpacing(6);
    root->addWidget(buildHeader());
    root->addWidget(buildCommands());

    auto* middle = new QHBoxLayout;
    middle->setSpacing(6);
    middle->addWidget(buildScoreTable(), 5);
    // The profile chart beside the score table, kept small so the window stays its size.
    m_chart = new ProfileChartWidget(m_content);
    m_chart->setFixedSize(176, 176);
    middle->addWidget(m_chart, 0, Qt::AlignTop);
    auto* right = new QVBoxLayout;
    right->addWidget(buildStreams());
    right->addWidget(buildCode());
    // The answer-quality flags under the code; hidden when none is set.
    m_flags = new QLabel(m_content);
    m_flags->setObjectName("QualityFlags");
    m_flags->setFont(persianFont(9));
    m_flags->setWordWrap(true);
    m_flags->setAlignment(Qt::AlignRight | Qt::AlignTop | Qt::AlignAbsolute);
    m_flags->setStyleSheet("color: #a02020;");
    m_flags->hide();
    right->addWidget(m_flags);
    right->addStretch(1);
    middle->addLayout(right, 4);
    root->addLayout(middle);
    // The norms and the aspiration at the right, the retest comparison at the left; the
    // comparison goes under the norms where the window is too narrow for both side by side.
    m_interpretation = new QBoxLayout(QBoxLayout::LeftToRight);
    m_interpretation->setSpacing(6);
    m_interpretation->addWidget(buildNorms(), 0, Qt::AlignTop);
    m_interpretation->addWidget(buildCompare(), 1);
    root->addLayout(m_interpretation);
    root->addWidget(buildDescriptions(), 1);
    outer->addWidget(buildHelp(), 0, 0, Qt::AlignTop | Qt::AlignHCenter);
}

void ScoringWindow::arrangeInterpretation()
{
    if (!m_interpretation)
        return; // a resize while the window is being built
    // Side by side when the scrolled content has room for both panels, with the room a
    // vertical scroll bar takes kept free, so that the bar coming or going never turns the
    // arrangement back; under each other otherwise, so the window never scrolls sideways.
    const QMargins margins = m_content->layout()->contentsMargins();
    const int room = m_scroll->width() - m_scroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_scroll)
        - 2 * m_scroll->frameWidth() - margins.left() - margins.right();
    int sideBySide = m_interpretation->spacing();
    for (int i = 0; i < m_interpretation->count(); ++i)
        if (QWidget* panel = m_interpretation->itemAt(i)->widget())
            sideBySide += panel->minimumSizeHint().width();
    const auto direction = room >= sideBySide ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom;
    if (m_interpretation->direction() != direction) {
        m_interpretation->setDirection(direction);
        m_content->layout()->activate();
    }
}

QFrame* ScoringWindow::buildHeader()
{
    const auto [band, row] = styledBand<QHBoxLayout>("FrameHeader", m_content, {6, 4, 6, 4});
    const char* captions[7] = {ScoringTexts::LabelCode, ScoringTexts::LabelFirstName, ScoringTexts::LabelLastName,
                               ScoringTexts::LabelSex,  ScoringTexts::LabelAge,       ScoringTexts::LabelGrade,
                               ScoringTexts::LabelDate};
    const char* names[7] = {"TxtCode", "TxtFName", "TxtLName", "TxtJens", "TxtSen", "TxtTahsil", "TxtDate"};
    const int widths[7] = {60, 90, 120, 60, 40, 60, 90};
    for (int i = 0; i < 7; ++i) {
        row->addWidget(captionLabel(t(captions[i]), band));
        m_header[i] = valueLabel(names[i], band, widths[i]);
        m_header[i]->setFont(persianFont(11));
        row->addWidget(m_header[i]);
    }
    row->addStretch(1);
    return band;
}

QFrame* ScoringWindow::buildCommands()
{
    const auto [band, row] = styledBand<QHBoxLayout>("FrameCommands", m_content, {6, 4, 6, 4});
    struct B {
        const char* name;
        const char* caption;
        void (ScoringWindow::*handler)();
    };
    const B buttons[] = {{"Command1", ScoringTexts::SelectSubject, &ScoringWindow::selectSubject},
                         {"Command6", ScoringTexts::PrintSelected, &ScoringWindow::printSelectedSubject},
                         {"Command3", ScoringTexts::PrintAll, &ScoringWindow::printAllSubjects},
                         {"Command5", ScoringTexts::Help, &ScoringWindow::showHelp},
                         {"Command4", ScoringTexts::Exit, &ScoringWindow::exitWindow}};
    for (const B& b : buttons) {
        QPushButton* button = commandButton(b.name, b.caption, 11, band, this, b.handler);
        button->setMinimumHeight(32);
        row->addWidget(button);
    }
    // The exit button answers Esc.
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, this, &ScoringWindow::exitWindow);
    return band;
}

QFrame* ScoringWindow::buildScoreTable()
{
    const auto [frame, grid] = styledBand<QGridLayout>("FrameScores", m_content, {8, 8, 8, 8});
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(6);
    // Right to left: the row titles in column 0 at the right, then v .. g.
    grid->addWidget(captionLabel(t(ScoringTexts::Letters), frame, true), 0, 0);
    addTypeLetters(grid, frame, 12, "Letter_");
    addTypeRows(grid, frame,
                {{ScoringTexts::RawTotals, "raw_", &m_raw},
                 {ScoringTexts::Ranks, "rank_", &m_rank},
                 {ScoringTexts::Weights, "weight_", &m_weight},
                 {ScoringTexts::Adjusted, "adjusted_", &m_adjusted}},
                TypeRowLook{});
    return frame;
}

QWidget* ScoringWindow::buildStreams()
{
    QGroupBox* box = panel("FrameStreams", ScoringTexts::StreamsPanel, m_content);
    auto* grid = new QGridLayout(box);
    grid->setHorizontalSpacing(6);
    const char* captions[6] = {ScoringTexts::StreamMath,       ScoringTexts::StreamExperimental,
                               ScoringTexts::StreamHumanities, ScoringTexts::StreamServices,
                               ScoringTexts::StreamIndustry,   ScoringTexts::StreamAgriculture};
    for (int i = 0; i < 6; ++i) {
        // Right column first (academic), then the left column (vocational).
        const int col = i < 3 ? 0 : 2;
        const int row = i % 3;
        QLabel* caption = captionLabel(t(captions[i]), box);
        grid->addWidget(caption, row, col);
        m_streams[i] = numberLabel(QString("stream%1").arg(i + 1), box, 52);
        m_streams[i]->setLayoutDirection(Qt::LeftToRight);
        grid->addWidget(m_streams[i], row, col + 1);
    }
    return box;
}

QWidget* ScoringWindow::buildCode()
{
    QGroupBox* box = panel("FrameCode", ScoringTexts::CodePanel, m_content);
    auto* grid = new QGridLayout(box);
    const char* headings[3] = {ScoringTexts::CodeFirst, ScoringTexts::CodeSecond, ScoringTexts::CodeThird};
    for (int p = 0; p < 3; ++p) {
        QLabel* h = captionLabel(t(headings[p]), box);
        h->setAlignment(Qt::AlignCenter);
        grid->addWidget(h, 0, p);
        m_code[p] = valueLabel(QString("code%1").arg(p + 1), box, 70);
        m_code[p]->setFont(persianFont(13, true));
        grid->addWidget(m_code[p], 1, p);
    }
    return box;
}

QWidget* ScoringWindow::buildDescriptions()
{
    QGroupBox* box = panel("FrameDescriptions", ScoringTexts::DescriptionPanel, m_content);
    auto* grid = new QGridLayout(box);
    grid->setSpacing(3);
    const char* headings[6] = {ScoringTexts::HeadingSefat, ScoringTexts::Heading1, ScoringTexts::Heading2,
                               ScoringTexts::Heading3,     ScoringTexts::Heading4, ScoringTexts::Heading5};
    for (int c = 0; c < 6; ++c) {
        QLabel* h = captionLabel(t(headings[c]), box, true);
        h->setAlignment(Qt::AlignCenter);
        h->setWordWrap(true);
        grid->addWidget(h, 0, c);
        grid->setColumnStretch(c, 1);
    }
    for (int r = 0; r < 3; ++r) {
        m_rowTitles[r] = descriptionBox(QString("rowTitle%1").arg(r + 1), box);
        m_rowTitles[r]->setFont(persianFont(10, true));
        grid->addWidget(m_rowTitles[r], r + 1, 0);
        for (int c = 0; c < 5; ++c) {
            m_cells[r][c] = descriptionBox(QString("cell%1_%2").arg(r + 1).arg(c + 1), box);
            grid->addWidget(m_cells[r][c], r + 1, c + 1);
        }
        grid->setRowStretch(r + 1, 1);
    }
    return box;
}

QFrame* ScoringWindow::buildNorms()
{
    const auto [frame, grid] = styledBand<QGridLayout>("FrameNorms", m_content, {8, 4, 8, 4});
    grid->setHorizontalSpacing(4);
    QPushButton* choose = commandButton("CmdNorms", PsychometricsTexts::NormButton, 10, frame, this,
                                        &ScoringWindow::chooseNormTable);
    grid->addWidget(choose, 0, 0);
    m_normName = new QLabel(frame);
    m_normName->setObjectName("NormName");
    m_normName->setFont(persianFont(9));
    grid->addWidget(m_normName, 0, 1, 1, Scoring::TypeCount);
    addTypeRows(grid, frame,
                {{PsychometricsTexts::PercentileRow, "pr_", &m_percentile},
                 {PsychometricsTexts::TRow, "t_", &m_t},
                 {PsychometricsTexts::SemRow, "sem_", &m_sem}},
                TypeRowLook{64});
    grid->addWidget(captionLabel(t(PsychometricsTexts::AspirationLabel), frame, true), 4, 0);
    m_aspiration = new QLineEdit(frame);
    m_aspiration->setObjectName("TxtAspiration");
    m_aspiration->setFont(persianFont(11));
    m_aspiration->setMaximumWidth(110);
    connect(m_aspiration, &QLineEdit::returnPressed, this, &ScoringWindow::readAspiration);
    grid->addWidget(m_aspiration, 4, 1);
    m_congruence = new QLabel(frame);
    m_congruence->setObjectName("Congruence");
    m_congruence->setFont(persianFont(10));
    grid->addWidget(m_congruence, 4, 2, 1, Scoring::TypeCount - 1);
    // With a table chosen, the chart can draw the percentile ranks instead of the totals.
    m_percentileChart = new QCheckBox(t(PsychometricsTexts::PercentileChart), frame);
    m_percentileChart->setObjectName("ChkPercentileChart");
    m_percentileChart->setFont(persianFont(10));
    m_percentileChart->hide();
    connect(m_percentileChart, &QCheckBox::toggled, this, &ScoringWindow::render);
    grid->addWidget(m_percentileChart, 5, 0, 1, Scoring::TypeCount + 1);
    return frame;
}

QWidget* ScoringWindow::buildCompare()
{
    QGroupBox* box = panel("FrameCompare", PsychometricsTexts::CompareTitle, m_content);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(6, 4, 6, 4);
    // Right to left: the chart of both administrations, then the table and the lines.
    m_retestChart = new ProfileChartWidget(box);
    m_retestChart->setObjectName("RetestChart");
    m_retestChart->setFixedSize(150, 150);
    row->addWidget(m_retestChart, 0, Qt::AlignTop);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(3);
    grid->setVerticalSpacing(3);
    QPushButton* compare = commandButton("CmdCompare", PsychometricsTexts::CompareButton, 10, box, this,
                                         &ScoringWindow::compareSecond);
    grid->addWidget(compare, 0, 0);
    addTypeLetters(grid, box, 10);
    addTypeRows(grid, box,
                {{PsychometricsTexts::CompareFirstRow, "first_", &m_compareCells[0]},
                 {PsychometricsTexts::CompareSecondRow, "second_", &m_compareCells[1]},
                 {PsychometricsTexts::CompareDiff, "diff_", &m_compareCells[2]},
                 {PsychometricsTexts::CompareRci, "rci_", &m_compareCells[3]},
                 {PsychometricsTexts::CompareReliable, "reliable_", &m_compareCells[4]}},
                TypeRowLook{48, 9, 20});
    const char* lineNames[5] = {"CompareCodes", "CompareFirstLetter", "CompareSet", "CompareIachan", "CompareSemFrom"};
    for (int i = 0; i < 5; ++i) {
        auto* l = new QLabel(box);
        l->setObjectName(lineNames[i]);
        l->setFont(persianFont(9, i == 3));
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter | Qt::AlignAbsolute);
        m_compareLines[size_t(i)] = l;
        // The codes and M across the table; the two agreements side by side; the SEMs' source
        // (wrapped, it may carry a note) beside the print button.
        const int at[5][3] = {{6, 0, 7}, {7, 0, 4}, {7, 4, 3}, {8, 0, 7}, {9, 0, 4}};
        grid->addWidget(l, at[i][0], at[i][1], 1, at[i][2]);
    }
    m_compareLines[4]->setWordWrap(true);
    m_printComparison = commandButton("CmdPrintCompare", PsychometricsTexts::ComparePrint, 10, box, this,
                                      &ScoringWindow::printComparison);
    m_printComparison->setEnabled(false);
    grid->addWidget(m_printComparison, 9, 4, 1, 3);
    row->addLayout(grid, 1);
    return box;
}

void ScoringWindow::renderComparison()
{
    const NormTable::ShownRetest* r = m_retest ? &*m_retest : nullptr;
    ProfileChart::Profiles profiles;
    profiles.markLeading = false;
    if (r) {
        profiles.first = ProfileChart::values(r->first);
        profiles.second = ProfileChart::values(r->second);
    }
    m_retestChart->setProfiles(profiles,
                               r ? t(PsychometricsTexts::CompareFirstRow) + QStringLiteral(" / ")
                                       + t(PsychometricsTexts::CompareSecondRow)
                                 : QString());
    const Scoring::SixTexts empty;
    const Scoring::SixTexts* rows[5] = {r ? &m_shown.rawTotals : &empty, r ? &m_second.rawTotals : &empty,
                                        r ? &r->diff : &empty, r ? &r->rci : &empty, r ? &r->reliable : &empty};
    for (int row = 0; row < 5; ++row)
        for (int ty = 0; ty < Scoring::TypeCount; ++ty) {
            QLabel* l = m_compareCells[size_t(row)][size_t(ty)];
            l->setText((*rows[row])[size_t(ty)].trimmed());
            // A reliable change stands out in its column.
            const bool flagged = r && r->retest.reliable[size_t(ty)] && row >= 2;
            l->setStyleSheet(flagged ? QStringLiteral("color: #a02020; font-weight: bold;") : QString());
        }
    const QString lines[5] = {r ? r->codes : QString(), r ? r->firstLetter : QString(), r ? r->set : QString(),
                              r ? r->iachan : QString(), r ? r->semFrom : QString()};
    for (int i = 0; i < 5; ++i)
        m_compareLines[size_t(i)]->setText(lines[i]);
    m_printComparison->setEnabled(r != nullptr);
}

QWidget* ScoringWindow::buildHelp()
{
    m_help = new QFrame(this);
    m_help->setObjectName("FrameHelp");
    m_help->setFrameShape(QFrame::Panel);
    m_help->setFrameShadow(QFrame::Raised);
    m_help->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(m_help);
    auto* text = new QPlainTextEdit(m_help);
    text->setObjectName("TxtHelp");
    text->setReadOnly(true);
    text->setFont(persianFont(12));
    text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const char* lines[8] = {ScoringTexts::HelpLine1, ScoringTexts::HelpLine2, ScoringTexts::HelpLine3,
                            ScoringTexts::HelpLine4, ScoringTexts::HelpLine5, ScoringTexts::HelpLine6,
                            ScoringTexts::HelpLine7, ScoringTexts::HelpLine8};
    // Eight lines, each ended by a line break (the text box shows CR LF as one break).
    QStringList texts;
    for (const char* line : lines)
        texts << t(line);
    setBoxText(text, texts.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    // Room for the eight lines and the empty one after the last break without scrolling, and
    // some to spare: the box's padding comes from the skin.
    const QFontMetrics fm(text->font());
    const int widest = AppSetup::widestLine(text->font(), texts);
    const int spare = 2 * fm.height();
    text->setMinimumSize(qMin(widest + spare + text->verticalScrollBar()->sizeHint().width(), 640),
                         qMin(int(std::size(lines) + 1) * fm.lineSpacing() + spare, 400));
    layout->addWidget(text);
    layout->addWidget(commandButton("CmdHelpExit", ScoringTexts::HelpExit, 11, m_help, this, &ScoringWindow::hideHelp),
                      0, Qt::AlignHCenter);
    m_help->hide();
    return m_help;
}

void ScoringWindow::render()
{
    const Scoring::Shown& s = m_shown;
    const QString header[7] = {s.code, s.firstName, s.lastName, s.sex, s.age, s.grade, s.date};
    for (int i = 0; i < 7; ++i)
        m_header[i]->setText(header[i]);
    for (int ty = 0; ty < Scoring::TypeCount; ++ty) {
        m_raw[ty]->setText(s.rawTotals[ty]);
        m_rank[ty]->setText(s.ranks[ty]);
        m_weight[ty]->setText(s.weights[ty]);
        m_adjusted[ty]->setText(s.adjusted[ty]);
    }
    for (int i = 0; i < 6; ++i)
        m_streams[i]->setText(s.streams[i]);
    for (int p = 0; p < 3; ++p) {
        m_code[p]->setText(s.code3[p]);
        setBoxText(m_rowTitles[p], s.rows[p].title);
        for (int c = 0; c < 5; ++c)
            setBoxText(m_cells[p][c], s.rows[p].cells[c]);
    }
    m_chart->setProfile(s.scored, s.indices);
    const QStringList flags = s.quality ? Scoring::flagSentences(s.quality->flags) : QStringList();
    m_flags->setText(flags.join('\n'));
    m_flags->setVisible(!flags.isEmpty());

    // Against the norm table: the cell of the subject's sex and class.
    m_shownNorms = NormTable::shownNorms(m_normPath.isEmpty() ? nullptr : &m_norms, QFileInfo(m_normPath).fileName(),
                                         s);
    for (int ty = 0; ty < Scoring::TypeCount; ++ty) {
        m_percentile[size_t(ty)]->setText(m_shownNorms.percentile[size_t(ty)]);
        m_t[size_t(ty)]->setText(m_shownNorms.t[size_t(ty)]);
        m_sem[size_t(ty)]->setText(m_shownNorms.band[size_t(ty)]);
    }
    m_normName->setText(m_shownNorms.caption);
    m_percentileChart->setVisible(m_shownNorms.chosen);
    if (percentileChart() && m_shownNorms.percentiles) {
        ProfileChart::Profiles profiles;
        profiles.first = *m_shownNorms.percentiles;
        profiles.maximum = ProfileChart::PercentileMaximum;
        profiles.indices = s.indices;
        m_chart->setProfiles(profiles, t(PsychometricsTexts::PercentileChartCaption));
    }

    // The aspiration code typed: Iachan's index of the subject's code with it.
    const auto aspiration = Psychometrics::parseCode(m_aspiration->text());
    m_congruenceText = aspiration && s.scored
        ? Psychometrics::congruenceText(Psychometrics::code3(*s.scored), *aspiration)
        : QString();
    m_congruence->setText(m_congruenceText);
    renderComparison();
    // The values shown may have widened the panels.
    arrangeInterpretation();
}
