#include "report/ResultReport.h"

#include "data/ClinicData.h"
#include "data/InterestTypes.h"
#include "data/Utf8.h"
#include "report/ProfileChart.h"
#include "scoring/Interpretation.h"
#include "scoring/InterpretationTexts.h"
#include "scoring/PsychometricsTexts.h"

namespace {
using Report::Control;

constexpr int kLeftEdge = 27, kRightEdge = 10725; // the horizontal rules run between these
// What an A4 page leaves under the detail band and above the page footer.
constexpr int kProfileBandHeight = 1900;

using Report::cell;
using Report::label;

Control rule(int top, int width)
{
    return Control::lineBetween(kLeftEdge, top, kRightEdge, top, width);
}

QString name(int number) { return QStringLiteral("Label%1").arg(number); }

// Labels of the score table, by row (raw, rank, weight, adjusted) and type v..g.
const int kScoreLabels[4][6] = {
    {25, 29, 34, 39, 44, 49},
    {27, 30, 35, 40, 45, 50},
    {12, 31, 36, 41, 46, 51},
    {18, 32, 37, 42, 47, 52},
};
// Stream scores: mathematical, experimental, humanities, services, industry, agriculture.
const int kStreamLabels[6] = {54, 56, 57, 60, 62, 63};
const int kCodeLabels[3] = {68, 69, 70};
const int kRowTitleLabels[3] = {77, 78, 79};
// Description cell k (0..4) of row r (0..2).
int descriptionLabel(int row, int k) { return 80 + row + 3 * k; }

// The score table's columns and rows: a heading column at the right, then v .. g.
constexpr int kRowTop = 2886, kRowHeight = 478, kHeadingWidth = 1545, kTypeWidth = 620;
constexpr int kHeadingLeft = kRightEdge - kHeadingWidth;
constexpr int kScoreTableBottom = kRowTop + 5 * kRowHeight;
int typeLeft(int type) { return kHeadingLeft - (type + 1) * kTypeWidth; }
// The description table: its heading row's top and height, and the bottom of its last row.
constexpr int kDescriptionTop = 5600, kDescriptionHeadingHeight = 800, kDescriptionBottom = 12145;
// The norm rows under the score table, and the lines at the left beside them.
constexpr int kNormRowHeight = 400, kExtrasLeft = 50, kExtrasWidth = 5300;
} // namespace

ResultReport::ResultReport()
    : m_doc(Report::Document::create("DataR1", u("کارنامه"), 10750))
{
    Report::Document& d = *m_doc;
    // Only the detail band and the page footer hold anything.
    d.detail.height = 12200;
    d.pageFooter.height = 1560;
    Report::Band& b = d.detail;

    // Title and logo.
    Control title = label("Label1", 3651, 126, 3520, 1154, u("پرسشنامه رغبت سنج تحصيلي - شغلي مراول"), 16, true,
                          Qt::AlignCenter);
    b.add(title); // one line, in a smaller size if the box is too narrow for it
    Control logo;
    logo.kind = Control::Kind::Image;
    logo.name = "Image2";
    logo.left = 1323;
    logo.top = 252;
    logo.width = 1440;
    logo.height = 1140;
    b.add(logo);

    // Date, at the left: caption, then the value at its left.
    b.add(label("LabelDate", 1850, 1414, 800, 400, u("تاريخ:"), 10, true));
    b.add(label(name(14), 300, 1414, 1500, 400));

    // The subject line, from right to left: caption and value pairs.
    struct Pair {
        const char* caption;
        int captionWidth;
        int labelNumber;
        int valueWidth;
    };
    const Pair pairs[] = {
        {"کد:", 450, 15, 1000},  {"نام:", 500, 16, 1500}, {"نام خانوادگي:", 1150, 21, 1550},
        {"سن:", 450, 19, 500},   {"جنس:", 550, 20, 700},  {"كلاس:", 600, 22, 1500},
    };
    int x = kRightEdge;
    for (const Pair& p : pairs) {
        b.add(label(QStringLiteral("Caption%1").arg(p.labelNumber), x - p.captionWidth, 1855, p.captionWidth, 450,
                    u(p.caption), 10, true));
        b.add(label(name(p.labelNumber), x - p.captionWidth - p.valueWidth, 1855, p.valueWidth, 450));
        x -= p.captionWidth + p.valueWidth + 50;
    }

    // Two rules across the page.
    b.add(rule(2546, 15));
    b.add(rule(2584, 30));

    // Score table, right half: a heading column, then v at the right … g at the left.
    const int rowTop = kRowTop, rowHeight = kRowHeight, headingWidth = kHeadingWidth, typeWidth = kTypeWidth;
    const int headingLeft = kHeadingLeft;
    const char* rowHeadings[5] = {"حروف", "نمره رغبت", "رتبه", " نمره همخواني", "نمره ميزان شده"};
    const auto& letters = InterestTypes::Persian;
    for (int r = 0; r < 5; ++r) {
        const int top = rowTop + r * rowHeight;
        b.add(cell(QStringLiteral("RowHeading%1").arg(r), headingLeft, top, headingWidth, rowHeight, u(rowHeadings[r]),
                   true));
        for (int t = 0; t < InterestTypes::Count; ++t) {
            const int left = headingLeft - (t + 1) * typeWidth;
            if (r == 0)
                b.add(cell(QStringLiteral("Letter%1").arg(t), left, top, typeWidth, rowHeight, u(letters[t]), true));
            else
                b.add(cell(name(kScoreLabels[r - 1][t]), left, top, typeWidth, rowHeight));
        }
    }

    // Stream scores, left half: two columns of caption and value.
    const char* streams[6] = {"رشته علوم رياضي", "رشته علوم تجربي", "رشته علوم انساني",
                              "رشته  خدمات",     "رشته صنعت",       "رشته کشاورزي"};
    const int streamHeight = 327;
    for (int i = 0; i < 6; ++i) {
        const bool right = i < 3;
        const int top = rowTop + (i % 3) * streamHeight;
        const int captionLeft = right ? 3350 : 850, captionWidth = right ? 1900 : 1600;
        const int valueLeft = right ? 2550 : 50;
        b.add(cell(QStringLiteral("StreamCaption%1").arg(i), captionLeft, top, captionWidth, streamHeight,
                   u(streams[i]), true, 9));
        b.add(cell(name(kStreamLabels[i]), valueLeft, top, 800, streamHeight, QString(), false, 9));
    }

    // Type code, left half: the three headings from right to left, the positions beneath.
    const char* codeHeadings[3] = {"کد اختصاري1", "کد اختصاري2", "کد اختصاري3"};
    const int codeLefts[3] = {3550, 1800, 50};
    for (int i = 0; i < 3; ++i) {
        b.add(cell(QStringLiteral("CodeHeading%1").arg(i + 1), codeLefts[i], 4320, 1700, rowHeight,
                   u(codeHeadings[i]), true));
        b.add(cell(name(kCodeLabels[i]), codeLefts[i], 4800, 1700, rowHeight, QString(), false, 11));
    }

    // Description table: six columns from right to left, a heading row and three rows.
    const char* headings[6] = {"صفات",
                               "توانايي ها",
                               "نيازمنديها براي کسب مهارت هاي شغلي",
                               "درخواست ها و ارج گذاري ها",
                               "روشهاي شخصي و نحوه خود ابزاري",
                               "نمونه اي از مشاغل"};
    const int columnWidth = (kRightEdge - kLeftEdge) / 6;
    auto columnLeft = [&](int c) { return kRightEdge - (c + 1) * columnWidth; };
    for (int c = 0; c < 6; ++c) {
        Control h = cell(QStringLiteral("Heading%1").arg(c), columnLeft(c), kDescriptionTop, columnWidth,
                         kDescriptionHeadingHeight, u(headings[c]), true, 9);
        h.wordWrap = true;
        b.add(h);
    }
    const int descriptionTops[3] = {6400, 8320, 10240};
    for (int r = 0; r < 3; ++r) {
        Control t = cell(name(kRowTitleLabels[r]), columnLeft(0), descriptionTops[r], columnWidth, 1905, QString(),
                         false, 10);
        t.bold = true;
        t.wordWrap = true;
        b.add(t);
        for (int k = 0; k < 5; ++k) {
            // Long texts wrap inside their cells and shrink rather than being cut.
            Control c = cell(name(descriptionLabel(r, k)), columnLeft(k + 1), descriptionTops[r], columnWidth, 1905,
                             QString(), false, 9);
            c.wordWrap = true;
            c.alignment = Qt::AlignRight | Qt::AlignTop;
            b.add(c);
        }
    }

    // Page footer: two rules, the address line at the right and the contact text at the left.
    Report::Band& f = d.pageFooter;
    f.add(rule(60, 30));
    f.add(rule(120, 15));
    Control address = label(name(5), 5448, 200, 5146, 1343, QString(), 10, false, Qt::AlignRight | Qt::AlignTop);
    address.wordWrap = true;
    f.add(address);
    Control contact = label(name(13), 29, 200, 5302, 1343, QString(), 10, false, Qt::AlignLeft | Qt::AlignTop);
    contact.wordWrap = true;
    f.add(contact);

    // The report footer, under the description table on the same page: the profile chart at
    // the right with its caption, the consistency and the differentiation in words beside it,
    // and the answer-quality note at the left.
    Report::Band& r = d.reportFooter;
    r.height = kProfileBandHeight;
    r.add(Control::drawingAt("ProfileChart", kRightEdge - kProfileBandHeight, 0, kProfileBandHeight, kProfileBandHeight,
                             {}));
    const int wordsRight = kRightEdge - kProfileBandHeight - 100, wordsLeft = 3900;
    r.add(label("ProfileCaption", wordsLeft, 150, wordsRight - wordsLeft, 420, u(InterpretationTexts::ChartCaption), 12,
                true));
    r.add(label("ProfilePair", wordsLeft, 600, wordsRight - wordsLeft, 360, QString(), 10));
    r.add(label("ProfileConsistency", wordsLeft, 980, wordsRight - wordsLeft, 360, QString(), 10));
    r.add(label("ProfileDifferentiation", wordsLeft, 1360, wordsRight - wordsLeft, 360, QString(), 10));
    Control note = label("QualityNote", kLeftEdge, 150, wordsLeft - 150 - kLeftEdge, kProfileBandHeight - 250,
                         QString(), 9, false, Qt::AlignRight | Qt::AlignTop);
    note.wordWrap = true;
    note.border = false;
    r.add(note);

    // The data source is the one settings row: the detail band prints once.
    d.rows = {QStringList()};
}

void ResultReport::setLogo(const QImage& logo) { m_doc->setPicture("Section1", "Image2", logo); }

void ResultReport::fill(const Scoring::Shown& shown, const QString& address, const QString& contactText,
                        const Extras& extras)
{
    auto set = [this](int number, const QString& text) { m_doc->setCaption("Section1", name(number), text); };
    // The preview's title and the file name it proposes name the subject: «کارنامه 51».
    m_doc->displayTitle = shown.code.trimmed().isEmpty() ? u("کارنامه") : u("کارنامه ") + shown.code.trimmed();
    m_doc->fileName = m_doc->displayTitle;
    set(14, shown.date);
    set(15, shown.code);
    set(16, shown.firstName);
    set(21, shown.lastName);
    set(20, shown.sex);
    set(19, shown.age);
    set(22, shown.grade);
    m_doc->setCaption("Section3", name(5), u("آدرس: ") + address);
    m_doc->setCaption("Section3", name(13), contactText);
    for (int t = 0; t < Scoring::TypeCount; ++t) {
        set(kScoreLabels[0][t], shown.rawTotals[t]);
        set(kScoreLabels[1][t], shown.ranks[t]);
        set(kScoreLabels[2][t], shown.weights[t]);
        set(kScoreLabels[3][t], shown.adjusted[t]);
    }
    for (int i = 0; i < 6; ++i)
        set(kStreamLabels[i], shown.streams[i]);
    for (int i = 0; i < 3; ++i)
        set(kCodeLabels[i], shown.code3[i]);
    for (int r = 0; r < 3; ++r)
        set(kRowTitleLabels[r], shown.rows[r].title);
    for (int k = 0; k < 5; ++k)
        for (int r = 0; r < 3; ++r)
            set(descriptionLabel(r, k), shown.rows[r].cells[k]);

    const std::optional<Scoring::Totals> totals = shown.scored;
    const Scoring::Indices indices = shown.indices;
    ProfileChart::Profiles profiles;
    profiles.indices = indices;
    const bool percentiles = totals && extras.percentileChart && extras.norms.percentiles;
    if (percentiles) {
        profiles.first = *extras.norms.percentiles;
        profiles.maximum = ProfileChart::PercentileMaximum;
    } else if (totals) {
        profiles.first = ProfileChart::values(*totals);
    }
    m_doc->setDrawing("Section5", "ProfileChart",
                      [profiles](QPainter& p, const QRectF& box) { ProfileChart::paint(p, box, profiles); });
    auto footer = [this](const char* control, const QString& text) { m_doc->setCaption("Section5", control, text); };
    footer("ProfileCaption",
           u(percentiles ? PsychometricsTexts::PercentileChartCaption : InterpretationTexts::ChartCaption));
    footer("ProfilePair",
           totals ? u(InterpretationTexts::PairLabel) + Scoring::typeLetter(indices.pair[0]) + u("، ")
                   + Scoring::typeLetter(indices.pair[1])
                  : QString());
    footer("ProfileConsistency", totals ? Scoring::consistencyWords(indices) : QString());
    footer("ProfileDifferentiation", totals ? Scoring::differentiationWords(indices) : QString());
    const QStringList flags = shown.quality ? Scoring::flagSentences(shown.quality->flags) : QStringList();
    footer("QualityNote", flags.isEmpty() ? QString() : u(InterpretationTexts::QualityNoteTitle) + flags.join('\n'));
    placeExtras(extras);
}

void ResultReport::placeExtras(const Extras& extras)
{
    const bool norms = extras.norms.chosen, aspiration = !extras.congruence.isEmpty();
    if (m_extrasPlaced || (!norms && !aspiration))
        return;
    m_extrasPlaced = true;
    Report::Band& b = m_doc->detail;
    int bottom = kScoreTableBottom;
    if (norms) {
        const char* titles[3] = {PsychometricsTexts::PercentileRow, PsychometricsTexts::TRow,
                                 PsychometricsTexts::SemRow};
        const Scoring::SixTexts* rows[3] = {&extras.norms.percentile, &extras.norms.t, &extras.norms.band};
        const char* names[3] = {"NormPercentile", "NormT", "NormBand"};
        for (int r = 0; r < 3; ++r) {
            const int top = kScoreTableBottom + r * kNormRowHeight;
            Control heading = cell(QStringLiteral("%1Heading").arg(names[r]), kHeadingLeft, top, kHeadingWidth,
                                   kNormRowHeight, u(titles[r]), true, 9);
            heading.wordWrap = true;
            b.add(heading);
            for (int t = 0; t < Scoring::TypeCount; ++t)
                b.add(cell(QStringLiteral("%1%2").arg(names[r]).arg(t), typeLeft(t), top, kTypeWidth, kNormRowHeight,
                           (*rows[r])[size_t(t)], false, r == 2 ? 8 : 9));
        }
        bottom = kScoreTableBottom + 3 * kNormRowHeight;
        Control caption = label("NormCaption", kExtrasLeft, kScoreTableBottom + 60, kExtrasWidth, 680,
                                extras.norms.caption, 9, false, Qt::AlignRight | Qt::AlignTop);
        caption.wordWrap = true;
        b.add(caption);
    }
    if (aspiration) {
        const int top = norms ? bottom - 420 : kScoreTableBottom + 60;
        b.add(label("Congruence", kExtrasLeft, top, kExtrasWidth, 400, extras.congruence, 10, true));
        bottom = std::max(bottom, top + 400);
    }

    // The description table moves down by what was added; its three rows share what is left.
    const int headingTop = bottom + (kDescriptionTop - kScoreTableBottom);
    const int rowsTop = headingTop + kDescriptionHeadingHeight;
    const int stride = (kDescriptionBottom - rowsTop) / 3, height = stride - 15;
    for (int c = 0; c < 6; ++c)
        if (Control* h = b.find(QStringLiteral("Heading%1").arg(c)))
            h->top = headingTop;
    for (int r = 0; r < 3; ++r) {
        auto place = [&](int number) {
            if (Control* c = b.find(name(number))) {
                c->top = rowsTop + r * stride;
                c->height = height;
            }
        };
        place(kRowTitleLabels[r]);
        for (int k = 0; k < 5; ++k)
            place(descriptionLabel(r, k));
    }
}

void ResultReport::prepare(const Scoring::Shown& shown, bool showLogo, const QImage& logo, const QString& address,
                           const QString& contactText, const Extras& extras)
{
    if (showLogo)
        setLogo(logo);
    fill(shown, address, contactText, extras);
}

QString ResultReport::caption(const QString& label) const
{
    return m_doc->caption({"Section1", "Section3", "Section5"}, label);
}

bool ResultReport::writePdf(const QString& path, QString* error) const { return Report::writePdf(*m_doc, path, error); }

bool ResultReport::writeSubjectPdf(const QString& code, const ClinicData& clinic, const QString& path, QString* message)
{
    Scoring::Shown shown;
    QString error;
    if (Scoring::scoreSubject(code, &shown, &error) == Scoring::SubjectStatus::NotFound) {
        if (message)
            *message = error.isEmpty() ? Scoring::notFoundMessage() : error;
        return false;
    }
    ResultReport report;
    report.prepare(shown, clinic.showLogo, clinic.logo, clinic.address, clinic.contactText);
    return report.writePdf(path, message);
}
