#include "report/RetestReport.h"

#include "data/Utf8.h"
#include "report/ProfileChart.h"
#include "scoring/PsychometricsTexts.h"

namespace {
using Report::Control;

constexpr int kLeftEdge = 27, kRightEdge = 10725;
constexpr int kChartSide = 4300, kChartTop = 1500;
constexpr int kLinesLeft = 300, kLinesWidth = kRightEdge - kChartSide - 200 - kLinesLeft;
constexpr int kTableTop = kChartTop + kChartSide + 200, kRowHeight = 450, kHeadingWidth = 1800, kTypeWidth = 1100;
constexpr int kRows = 6; // letters, first, second, difference, RCI, flag

Control line(const QString& name, int top, const QString& text = QString(), qreal points = 11, bool bold = false)
{
    return Control::textAt(name, kLinesLeft, top, kLinesWidth, 420, text, Qt::AlignRight | Qt::AlignVCenter, points,
                           bold);
}
} // namespace

RetestReport::RetestReport()
    : m_doc(Report::Document::create("Retest", u(PsychometricsTexts::CompareTitle), 10750))
{
    Report::Document& d = *m_doc;
    d.detail.height = kTableTop + kRows * kRowHeight + 200;
    Report::Band& b = d.detail;

    b.add(Control::textAt("Title", kLeftEdge, 150, kRightEdge - kLeftEdge, 650, d.displayTitle, Qt::AlignCenter, 16,
                          true));
    b.add(Control::textAt("Subjects", kLeftEdge, 850, kRightEdge - kLeftEdge, 420, QString(), Qt::AlignCenter, 11,
                          false));
    b.add(Control::lineBetween(kLeftEdge, 1350, kRightEdge, 1350, 20));

    // The chart at the right, the codes' agreement and the legend at its left.
    b.add(Control::drawingAt("RetestChart", kRightEdge - kChartSide, kChartTop, kChartSide, kChartSide, {}));
    const char* lines[5] = {"Codes", "FirstLetter", "Set", "Iachan", "SemFrom"};
    for (int i = 0; i < 5; ++i)
        b.add(line(lines[i], kChartTop + 200 + i * 480, QString(), 11, i == 3));
    Control first = line("LegendFirst", kChartTop + 200 + 5 * 480 + 300, u(PsychometricsTexts::CompareFirstRow));
    first.color = ProfileChart::Outline;
    first.bold = true;
    b.add(first);
    Control second = line("LegendSecond", kChartTop + 200 + 6 * 480 + 300, u(PsychometricsTexts::CompareSecondRow));
    second.color = ProfileChart::SecondOutline;
    second.bold = true;
    b.add(second);

    // The table: a heading column at the right, then v .. g.
    const char* headings[kRows] = {"",
                                   PsychometricsTexts::CompareFirstRow,
                                   PsychometricsTexts::CompareSecondRow,
                                   PsychometricsTexts::CompareDiff,
                                   PsychometricsTexts::CompareRci,
                                   PsychometricsTexts::CompareReliable};
    const int headingLeft = kRightEdge - kHeadingWidth;
    for (int r = 0; r < kRows; ++r) {
        const int top = kTableTop + r * kRowHeight;
        b.add(Control::cellAt(QStringLiteral("RowHeading%1").arg(r), headingLeft, top, kHeadingWidth, kRowHeight,
                              u(headings[r]), true, 10));
        for (int t = 0; t < Scoring::TypeCount; ++t) {
            const int left = headingLeft - (t + 1) * kTypeWidth;
            b.add(Control::cellAt(QStringLiteral("Cell%1_%2").arg(r).arg(t), left, top, kTypeWidth, kRowHeight,
                                  r == 0 ? Scoring::typeLetter(t) : QString(), r == 0, 10));
        }
    }
    d.rows = {QStringList()};
}

void RetestReport::fill(const Scoring::Shown& first, const Scoring::Shown& second, const NormTable::ShownRetest& retest)
{
    auto set = [this](const QString& name, const QString& text) { m_doc->setCaption("Section1", name, text); };
    m_doc->displayTitle = u(PsychometricsTexts::CompareTitle) + QLatin1Char(' ') + first.code.trimmed()
        + QLatin1Char(' ') + second.code.trimmed();
    m_doc->fileName = m_doc->displayTitle;
    QString subjects = u(PsychometricsTexts::CompareSubjects)
                           .arg(first.code.trimmed(), second.code.trimmed(), first.date, second.date);
    const QString name = (first.firstName.trimmed() + QLatin1Char(' ') + first.lastName.trimmed()).trimmed();
    if (!name.isEmpty())
        subjects = name + QStringLiteral(" — ") + subjects;
    set("Subjects", subjects);
    set("Codes", retest.codes);
    set("FirstLetter", retest.firstLetter);
    set("Set", retest.set);
    set("Iachan", retest.iachan);
    set("SemFrom", retest.semFrom);
    const Scoring::SixTexts* rows[kRows] = {nullptr,      &first.rawTotals, &second.rawTotals,
                                            &retest.diff, &retest.rci,      &retest.reliable};
    for (int r = 1; r < kRows; ++r)
        for (int t = 0; t < Scoring::TypeCount; ++t)
            set(QStringLiteral("Cell%1_%2").arg(r).arg(t), (*rows[r])[size_t(t)].trimmed());

    ProfileChart::Profiles profiles;
    profiles.first = ProfileChart::values(retest.first);
    profiles.second = ProfileChart::values(retest.second);
    profiles.markLeading = false;
    m_doc->setDrawing("Section1", "RetestChart",
                      [profiles](QPainter& p, const QRectF& box) { ProfileChart::paint(p, box, profiles); });
}

QString RetestReport::caption(const QString& label) const { return m_doc->caption("Section1", label); }

bool RetestReport::writePdf(const QString& path, QString* error) const { return Report::writePdf(*m_doc, path, error); }
