#include "report/GroupReport.h"

#include "data/ClinicData.h"
#include "data/Utf8.h"
#include "report/ProfileChart.h"
#include "scoring/InterpretationTexts.h"
#include "scoring/ScoringTexts.h"

#include <algorithm>

namespace {
using Report::Control;

constexpr int kLeftEdge = 27, kRightEdge = 10725;

using Report::cell;
using Report::label;

QString number(double value) { return QString::number(value, 'f', 2); }

QString countAndPercent(int count, int percent) { return QStringLiteral("%1 (%2%)").arg(count).arg(percent); }

// Leading types: one bar per type, from the letter at the right towards the left.
constexpr int kBarsTop = 1950, kBarRow = 420, kBarHeight = 300;
constexpr int kLetterLeft = 10125, kBarRight = 10050, kBarLength = 3000, kBarTextWidth = 1300;
// The ten codes: row number, code, count, percentage, from right to left in the left half.
constexpr int kCodesTop = 1950, kCodeRow = 380;
const int kCodeColumnLefts[4] = {4700, 2500, 1300, 100};
const int kCodeColumnWidths[4] = {600, 2200, 1200, 1200};
// The table of totals: a heading column and six type columns.
constexpr int kTotalsTop = 6550, kTableRow = 430, kTotalsHeadingWidth = 1900;
constexpr int kTypeColumn = (kRightEdge - kLeftEdge - kTotalsHeadingWidth) / Scoring::TypeCount;
constexpr int kStreamsTop = 8450, kConsistencyTop = 9950;
constexpr int kThird = (kRightEdge - kLeftEdge) / 3;
constexpr int kSixth = (kRightEdge - kLeftEdge) / 6;
} // namespace

GroupReport::GroupReport()
    : m_doc(Report::Document::create("GroupReport", u(InterpretationTexts::GroupTitle), 10750))
{
    Report::Document& d = *m_doc;

    // Report header: silver, the logo, the clinic name and the title (as on the subject list).
    Report::addClinicHeader(d.reportHeader, "ClinicName", 9228, "Title", 9228, u(InterpretationTexts::GroupTitle));

    d.detail.height = 10950;
    Report::Band& b = d.detail;
    const int full = kRightEdge - kLeftEdge;
    b.add(label("SubjectCount", kLeftEdge, 150, full, 450, QString(), 13, true));
    b.add(label("AnsweredCount", kLeftEdge, 620, full, 380, QString(), 10));
    b.add(label("SelectionText", kLeftEdge, 1020, full, 380, QString(), 10));

    // Leading types, right half.
    b.add(label("LeadingHeading", 5400, kBarsTop - 450, kRightEdge - 5400, 400, u(InterpretationTexts::GroupLeading),
                11, true));
    for (int t = 0; t < Scoring::TypeCount; ++t) {
        const int top = kBarsTop + t * kBarRow;
        b.add(cell(QStringLiteral("LeadingLetter%1").arg(t), kLetterLeft, top, kRightEdge - kLetterLeft,
                   kBarHeight + 60, Scoring::typeLetter(t), true, 10));
        Control bar;
        bar.kind = Control::Kind::Box;
        bar.name = QStringLiteral("LeadingBar%1").arg(t);
        bar.top = top + 30;
        bar.height = kBarHeight;
        bar.background = ProfileChart::Fill;
        b.add(bar);
        // Beside the end of its bar (placed when the report is filled).
        b.add(label(QStringLiteral("LeadingCount%1").arg(t), kBarRight - kBarTextWidth, top, kBarTextWidth,
                    kBarHeight + 60, QString(), 10));
    }

    // The ten most frequent codes, left half.
    b.add(label("CodesHeading", kLeftEdge, kCodesTop - 450, 5300 - kLeftEdge, 400, u(InterpretationTexts::GroupCodes),
                11, true));
    const char* codeHeadings[4] = {InterpretationTexts::GroupRankHeading, InterpretationTexts::GroupCodeHeading,
                                   InterpretationTexts::GroupCountHeading, InterpretationTexts::GroupPercentHeading};
    for (int c = 0; c < 4; ++c)
        b.add(cell(QStringLiteral("CodeHeading%1").arg(c), kCodeColumnLefts[c], kCodesTop, kCodeColumnWidths[c],
                   kCodeRow, u(codeHeadings[c]), true, 9));
    for (int r = 0; r < GroupSummary::TopCodeCount; ++r)
        for (int c = 0; c < 4; ++c)
            b.add(cell(QStringLiteral("Code%1_%2").arg(r + 1).arg(c), kCodeColumnLefts[c],
                       kCodesTop + (r + 1) * kCodeRow, kCodeColumnWidths[c], kCodeRow, QString(), false, 9));

    // Mean and standard deviation of each raw total.
    b.add(
        label("TotalsHeading", kLeftEdge, kTotalsTop - 450, full, 400, u(InterpretationTexts::GroupTotals), 11, true));
    const char* rowHeadings[3] = {ScoringTexts::Letters, InterpretationTexts::GroupMean, InterpretationTexts::GroupSd};
    for (int r = 0; r < 3; ++r) {
        const int top = kTotalsTop + r * kTableRow;
        b.add(cell(QStringLiteral("TotalsRow%1").arg(r), kRightEdge - kTotalsHeadingWidth, top, kTotalsHeadingWidth,
                   kTableRow, u(rowHeadings[r]), true));
        for (int t = 0; t < Scoring::TypeCount; ++t) {
            const int left = kRightEdge - kTotalsHeadingWidth - (t + 1) * kTypeColumn;
            const QString name = r == 0 ? QStringLiteral("TotalsLetter%1").arg(t)
                : r == 1                ? QStringLiteral("Mean%1").arg(t)
                                        : QStringLiteral("Sd%1").arg(t);
            b.add(cell(name, left, top, kTypeColumn, kTableRow, r == 0 ? Scoring::typeLetter(t) : QString(), r == 0));
        }
    }

    // Mean stream scores.
    b.add(label("StreamsHeading", kLeftEdge, kStreamsTop - 450, full, 400, u(InterpretationTexts::GroupStreams), 11,
                true));
    const char* streams[6] = {ScoringTexts::StreamMath,       ScoringTexts::StreamExperimental,
                              ScoringTexts::StreamHumanities, ScoringTexts::StreamServices,
                              ScoringTexts::StreamIndustry,   ScoringTexts::StreamAgriculture};
    for (int i = 0; i < 6; ++i) {
        const int left = kRightEdge - (i + 1) * kSixth;
        b.add(cell(QStringLiteral("StreamCaption%1").arg(i), left, kStreamsTop, kSixth, kTableRow, u(streams[i]), true,
                   8));
        b.add(cell(QStringLiteral("StreamMean%1").arg(i), left, kStreamsTop + kTableRow, kSixth, kTableRow));
    }

    // Consistency of the leading pairs.
    b.add(label("ConsistencyHeading", kLeftEdge, kConsistencyTop - 450, full, 400,
                u(InterpretationTexts::GroupConsistency), 11, true));
    const char* levels[3] = {InterpretationTexts::GroupHigh, InterpretationTexts::GroupMedium,
                             InterpretationTexts::GroupLow};
    for (int i = 0; i < 3; ++i) {
        const int left = kRightEdge - (i + 1) * kThird;
        b.add(cell(QStringLiteral("ConsistencyCaption%1").arg(i), left, kConsistencyTop, kThird, kTableRow,
                   u(levels[i]), true));
        b.add(cell(QStringLiteral("Consistency%1").arg(i), left, kConsistencyTop + kTableRow, kThird, kTableRow));
    }

    // Page footer: the address at the right, the contact lines at the left.
    d.pageFooter.height = 1484;
    d.pageFooter.add(Control::lineBetween(kLeftEdge, 40, kRightEdge, 40, 20));
    Control address = label("Address", 5448, 103, 5146, 1343, QString(), 10, false, Qt::AlignRight | Qt::AlignTop);
    address.wordWrap = true;
    d.pageFooter.add(address);
    Control contact = label("Contact", 29, 103, 5302, 1343, QString(), 10, false, Qt::AlignLeft | Qt::AlignTop);
    contact.wordWrap = true;
    d.pageFooter.add(contact);

    d.rows = {QStringList()}; // the detail band prints once
}

void GroupReport::fill(const GroupSummary::Summary& s, const QString& selectionText)
{
    auto set = [this](const QString& name, const QString& value) { m_doc->setCaption("Section1", name, value); };
    set("SubjectCount", u(InterpretationTexts::GroupSubjects) + QString::number(s.subjects));
    set("AnsweredCount",
        u(InterpretationTexts::GroupAnswered) + QString::number(s.answered) + QStringLiteral("    ")
            + u(InterpretationTexts::GroupNotAnswered) + QString::number(s.subjects - s.answered)
            + (s.answered == 0 ? QStringLiteral("    ") + u(InterpretationTexts::GroupNone) : QString()));
    set("SelectionText", u(InterpretationTexts::GroupSelection) + selectionText);

    const QVector<int> leading(s.leading.begin(), s.leading.end());
    const QVector<int> leadingPercent = GroupSummary::percentages(leading);
    // The most frequent leading type draws the longest bar.
    const int most = *std::max_element(leading.begin(), leading.end());
    for (int t = 0; t < Scoring::TypeCount; ++t) {
        set(QStringLiteral("LeadingCount%1").arg(t), countAndPercent(leading[t], leadingPercent[t]));
        const int length = most > 0 ? int(qint64(kBarLength) * leading[t] / most) : 0;
        if (Report::Control* bar = m_doc->control("Section1", QStringLiteral("LeadingBar%1").arg(t))) {
            bar->width = length;
            bar->left = kBarRight - length;
        }
        if (Report::Control* label = m_doc->control("Section1", QStringLiteral("LeadingCount%1").arg(t)))
            label->left = kBarRight - length - 80 - kBarTextWidth;
    }

    QVector<int> codeCounts;
    for (const GroupSummary::CodeCount& c : s.topCodes)
        codeCounts << c.count;
    for (int r = 0; r < GroupSummary::TopCodeCount; ++r) {
        const bool has = r < s.topCodes.size();
        const auto name = [r](int c) { return QStringLiteral("Code%1_%2").arg(r + 1).arg(c); };
        set(name(0), has ? QString::number(r + 1) : QString());
        set(name(1), has ? s.topCodes[r].code : QString());
        set(name(2), has ? QString::number(s.topCodes[r].count) : QString());
        // The share of all answered subjects (the ten need not cover them all), in the column
        // headed "درصد".
        set(name(3),
            has && s.answered > 0 ? QString::number(100.0 * s.topCodes[r].count / s.answered, 'f', 1) : QString());
    }

    for (int t = 0; t < Scoring::TypeCount; ++t) {
        set(QStringLiteral("Mean%1").arg(t), s.answered > 0 ? number(s.mean[t]) : QString());
        set(QStringLiteral("Sd%1").arg(t), s.answered > 0 ? number(s.sd[t]) : QString());
        set(QStringLiteral("StreamMean%1").arg(t), s.answered > 0 ? number(s.streamMean[t]) : QString());
    }
    const QVector<int> consistency(s.consistency.begin(), s.consistency.end());
    const QVector<int> consistencyPercent = GroupSummary::percentages(consistency);
    for (int i = 0; i < 3; ++i)
        set(QStringLiteral("Consistency%1").arg(i), countAndPercent(consistency[i], consistencyPercent[i]));
}

void GroupReport::applyClinic(bool showLogo, const QImage& logo, const QString& name, const QString& address,
                              const QString& contactText)
{
    if (showLogo)
        m_doc->setPicture("Section4", "Image3", logo);
    m_doc->setCaption("Section4", "ClinicName", name);
    m_doc->setCaption("Section3", "Address", u("آدرس: ") + address);
    m_doc->setCaption("Section3", "Contact", contactText);
}

QString GroupReport::caption(const QString& label) const
{
    return m_doc->caption({"Section4", "Section1", "Section3"}, label);
}

bool GroupReport::writePdf(const QString& path, QString* error) const { return Report::writePdf(*m_doc, path, error); }

QString GroupReport::describe(const GroupSummary::Selection& selection)
{
    QStringList parts;
    if (!selection.group.isEmpty())
        parts << u(InterpretationTexts::GroupFilterGroup) + selection.group;
    if (!selection.sex.isEmpty())
        parts << selection.sex;
    if (!selection.grade.isEmpty())
        parts << u(InterpretationTexts::GroupFilterClass) + selection.grade;
    if (!selection.from.isEmpty())
        parts << u(InterpretationTexts::GroupFilterFrom) + selection.from;
    if (!selection.to.isEmpty())
        parts << u(InterpretationTexts::GroupFilterTo) + selection.to;
    if (!selection.column.isEmpty()) {
        const QString c = selection.column.toLower();
        const char* label = c == "group" ? InterpretationTexts::GroupFilterGroup
            : c == "fname"               ? InterpretationTexts::GroupFilterFirstName
            : c == "lname"               ? InterpretationTexts::GroupFilterLastName
                                         : InterpretationTexts::GroupFilterCode;
        parts << u(label) + selection.value;
    }
    return parts.isEmpty() ? u(InterpretationTexts::GroupAll) : parts.join(QStringLiteral("، "));
}

bool GroupReport::writeGroupPdf(const GroupSummary::Selection& selection, const ClinicData& clinic, const QString& path,
                                QString* error)
{
    GroupSummary::Summary summary;
    if (!GroupSummary::compute(selection, &summary, error))
        return false;
    GroupReport report;
    report.fill(summary, describe(selection));
    report.applyClinic(clinic.showLogo, clinic.logo, clinic.name, clinic.address, clinic.contactText);
    return report.writePdf(path, error);
}
