#include "report/ItemReport.h"

#include "data/AnswerTables.h"
#include "data/PrivateFile.h"
#include "data/Utf8.h"
#include "questionnaire/QuestionnaireContent.h"
#include "report/GroupReport.h"
#include "report/ReportFonts.h"
#include "scoring/PsychometricsTexts.h"
#include "scoring/XlsxExport.h"

#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextOption>

namespace ItemReport {
using namespace Psychometrics;

namespace {
QString shown(const std::optional<double>& v) { return v ? QString::number(*v, 'f', 2) : QStringLiteral("—"); }

QString itemText(int type, int index)
{
    const ItemPlace place = itemPlace(index);
    return place.table == AnswerTables::S4 ? QuestionnaireContent::ratingLabel(type, place.number)
                                           : QuestionnaireContent::item(place.table, type, place.number);
}

QStringList headings()
{
    return {u(PsychometricsTexts::ItemColumnKey),  u(PsychometricsTexts::ItemColumnPart),
            u(PsychometricsTexts::ItemColumnText), u(PsychometricsTexts::ItemColumnP),
            u(PsychometricsTexts::ItemColumnR),    u(PsychometricsTexts::ItemColumnAlphaIfDeleted),
            u(PsychometricsTexts::ItemColumnBoys), u(PsychometricsTexts::ItemColumnGirls),
            u(PsychometricsTexts::ItemColumnFlags)};
}

QVariant value(const std::optional<double>& v) { return v ? QVariant(*v) : QVariant(); }

QString typeHeading(int type, const TypeStat& stat)
{
    return Scoring::typeLetter(type) + QStringLiteral(" — ") + u(PsychometricsTexts::ItemReportAlpha)
        + shown(stat.alpha);
}
} // namespace

QString hexagonWords(const Hexagon& h)
{
    QString words = u(PsychometricsTexts::HexagonWords)
                        .arg(shown(h.adjacent), shown(h.alternate), shown(h.opposite), shown(h.ci));
    if (h.ci)
        words += ' ' + u(*h.ci >= 0.5 ? PsychometricsTexts::HexagonHolds : PsychometricsTexts::HexagonWeak);
    return words;
}

QVector<QVariantList> rows(const Analysis& a, const QString& selectionText)
{
    QVector<QVariantList> out;
    out.append({u(PsychometricsTexts::ItemReportTitle)});
    out.append({selectionText});
    out.append({u(PsychometricsTexts::ItemReportN) + QString::number(a.n)});
    if (a.n < 2)
        out.append({u(PsychometricsTexts::TooFewSubjects)});
    for (int t = 0; t < TypeCount; ++t) {
        const TypeStat& stat = a.types[size_t(t)];
        out.append(QVariantList());
        out.append({typeHeading(t, stat)});
        QVariantList heading;
        for (const QString& h : headings())
            heading << h;
        out.append(heading);
        for (int i = 0; i < ItemsPerType; ++i) {
            const ItemStat& item = stat.items[size_t(i)];
            out.append({itemKey(t, i), itemPlace(i).table, itemText(t, i), value(item.p), value(item.r),
                        value(item.alphaIfDeleted), value(item.pBoys), value(item.pGirls),
                        flagWords(item.flags).join(QStringLiteral("، "))});
        }
    }
    out.append(QVariantList());
    out.append({u(PsychometricsTexts::HexagonTitle)});
    out.append({hexagonWords(a.hexagon)});
    return out;
}

namespace {
// The PDF: A4 landscape, right to left; the rows of rows() laid out as headings, paragraphs
// and table lines, a new page when the next line does not fit.
bool writePdf(const QVector<QVariantList>& lines, const QString& path, QString* error)
{
    QPdfWriter writer(path);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(12, 12, 12, 12),
                                     QPageLayout::Millimeter));
    writer.setResolution(300);
    writer.setTitle(u(PsychometricsTexts::ItemReportTitle));
    writer.setCreator(QStringLiteral("Meravel"));
    QPainter p;
    if (!p.begin(&writer)) {
        if (error)
            *error = QStringLiteral("Cannot write %1").arg(path);
        return false;
    }
    Report::loadDisplayFont();
    QFont font;
    font.setFamilies(Report::persianFamilies());
    const QRect page = p.viewport();
    const int width = page.width();
    // Column widths as shares of the page, right to left: key, part, text, five numbers, flags.
    const double shares[9] = {0.06, 0.04, 0.46, 0.06, 0.06, 0.08, 0.07, 0.07, 0.10};
    const int rowHeight = writer.resolution() * 22 / 100; // 0.22 inch
    int y = 0;
    QTextOption rtl(Qt::AlignRight | Qt::AlignVCenter);
    rtl.setTextDirection(Qt::RightToLeft);
    rtl.setWrapMode(QTextOption::NoWrap);
    auto room = [&](int height) {
        if (y + height > page.height()) {
            writer.newPage();
            y = 0;
        }
    };
    for (const QVariantList& line : lines) {
        if (line.isEmpty()) {
            y += rowHeight / 2;
            continue;
        }
        if (line.size() == 1) {
            const bool title = &line == &lines.first();
            font.setPointSizeF(title ? 15 : 11);
            font.setBold(title || line.first().toString().contains(u(PsychometricsTexts::ItemReportAlpha)));
            p.setFont(font);
            const QRect bounds = p.boundingRect(QRect(0, 0, width, page.height()), Qt::AlignRight | Qt::TextWordWrap,
                                                line.first().toString());
            room(bounds.height() + rowHeight / 3);
            p.drawText(QRect(0, y, width, bounds.height()), Qt::AlignRight | Qt::TextWordWrap, line.first().toString());
            y += bounds.height() + rowHeight / 3;
            continue;
        }
        room(rowHeight);
        const bool heading = line.first().toString() == u(PsychometricsTexts::ItemColumnKey);
        font.setPointSizeF(8);
        font.setBold(heading);
        p.setFont(font);
        int right = width;
        for (int c = 0; c < line.size() && c < 9; ++c) {
            const int w = int(shares[c] * width);
            const QRect cell(right - w, y, w, rowHeight);
            if (heading)
                p.fillRect(cell, QColor(0xE0, 0xE0, 0xE0));
            p.drawRect(cell);
            const QVariant& v = line[c];
            const QString text = v.isNull()       ? QStringLiteral("—")
                : v.typeId() == QMetaType::Double ? QString::number(v.toDouble(), 'f', 2)
                                                  : v.toString();
            p.drawText(cell.adjusted(rowHeight / 6, 0, -rowHeight / 6, 0),
                       p.fontMetrics().elidedText(text, Qt::ElideLeft, w - rowHeight / 3), rtl);
            right -= w;
        }
        y += rowHeight;
    }
    if (!p.end()) {
        if (error)
            *error = QStringLiteral("Cannot write %1").arg(path);
        return false;
    }
    PrivateFile::restrictToOwner(path);
    return true;
}
} // namespace

bool write(const std::vector<Subject>& subjects, const GroupSummary::Selection& selection, const QString& path,
           QString* error)
{
    const QVector<QVariantList> lines = rows(analyze(subjects), GroupReport::describe(selection));
    if (path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive))
        return Scoring::writeTableXlsx(path, u(PsychometricsTexts::ItemReportTitle), lines, error);
    return writePdf(lines, path, error);
}

} // namespace ItemReport
