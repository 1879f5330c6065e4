#include "scoring/XlsxExport.h"

#include "data/BoundedQuery.h"
#include "data/Database.h"
#include "data/PrivateFile.h"
#include "data/SubjectReader.h"
#include "scoring/Export.h"
#include "scoring/XlsxPackage.h"
#include "scoring/XlsxWriter.h"

#include <algorithm>
#include <atomic>

// The workbook is a zip archive of a few XML parts (XlsxWriter). The sheet part is generated
// while the archive is compressed (XlsxPackage), so 100,000 subjects never sit in memory as
// XML; only the compressed archive does, and it is written to disk in one go.

namespace Scoring {

namespace {
// Widths in characters: the longest caption word or stored text of each column, within bounds.
std::vector<double> columnWidths(const SubjectFilter& filter, qint64* count, QString* error)
{
    const QList<ExportColumn>& columns = exportColumns();
    std::vector<double> widths(size_t(columns.size()), 0);
    for (int c = 0; c < columns.size(); ++c) {
        // A caption wraps in the header row: its longest word sets the least width.
        int longest = 0;
        for (const QString& word : columns.at(c).caption.split(' '))
            longest = std::max(longest, int(word.size()));
        widths[size_t(c)] = std::max(longest, columns.at(c).kind == CellKind::Text ? 4 : 5);
    }
    QString sql = "SELECT COUNT(*)";
    for (int c = 0; c < firstResultColumn(); ++c)
        sql += ", MAX(LENGTH(" + Database::quoted(columns.at(c).name) + "))";
    BoundedQuery q(Database::connection(DbFile::Main, error));
    q.prepare(sql + " FROM \"IDE\"" + SubjectReader::where(filter));
    for (const QVariant& v : filter.values)
        q.addBindValue(v);
    if (!q.exec() || !q.next()) {
        if (error && error->isEmpty())
            *error = q.errorText();
        *count = -1;
        return widths;
    }
    *count = q.value(0).toLongLong();
    for (int c = 0; c < firstResultColumn(); ++c)
        widths[size_t(c)] = std::max(widths[size_t(c)], q.value(c + 1).toDouble());
    for (double& w : widths)
        w = std::min(w * 1.1 + 2, 60.0);
    return widths;
}

// The sheet part as the archive asks for it: the head, a row per subject, the tail. With the
// rows read straight from SQLite or a server's COPY, this runs on a thread of its own.
struct SheetSource {
    SubjectReader::Rows rows;
    Xlsx::SheetWriter sheet;
    qint64 total = 0;
    std::function<bool(qint64, qint64)> progress;

    enum { Head, Rows, Done } stage = Head;
    std::atomic<bool> cancelled{false};
    QString failure; // set by the generating side before it reports the end

    explicit SheetSource(std::vector<double> widths)
        : sheet(std::move(widths))
    {
    }

    bool generate(QByteArray& out)
    {
        if (stage == Head) {
            sheet.head(out);
            stage = Rows;
            return true;
        }
        if (stage != Rows)
            return false;
        if (!rows.next()) {
            failure = rows.error();
            if (failure.isEmpty())
                sheet.tail(out);
            stage = Done;
            return false;
        }
        sheet.row(out, rows);
        const qint64 n = sheet.rowsWritten();
        if (n % 2048 == 0 && progress && !progress(n, std::max(total, n))) {
            cancelled = true;
            stage = Done;
            return false;
        }
        return true;
    }
    bool failed() const { return cancelled || !failure.isEmpty(); }
};
} // namespace

bool writeTableXlsx(const QString& path, const QString& sheetName, const QVector<QVariantList>& rows, QString* error)
{
    QString why;
    XlsxPackage::Archive archive;
    bool ok = archive.open(&why);
    for (const auto& [name, bytes] : Xlsx::tableParts(sheetName, rows))
        ok = ok && archive.add(name, bytes, &why);
    QByteArray bytes;
    ok = ok && archive.finish(&bytes, &why) && XlsxPackage::writeFile(path, bytes, &why);
    if (!ok && error)
        *error = xlsxFailedMessage(why);
    return ok;
}

QString xlsxFailedMessage(const QString& detail)
{
    return QStringLiteral("فايل اکسل ذخيره نشد") + (detail.isEmpty() ? QString() : "\n" + detail);
}

QString xlsxSavedMessage() { return QStringLiteral("فايل اکسل با موفقيت ذخيره شد"); }

qint64 countSubjects(const SubjectFilter& filter, QString* error) { return SubjectReader::count(filter, error); }

ExportOutcome exportXlsx(const QString& path, const XlsxOptions& options, QString* error)
{
    QString ignored;
    QString& message = error ? *error : ignored;
    message.clear();
    auto fail = [&](const QString& detail) {
        message = xlsxFailedMessage(detail);
        return ExportOutcome::Failed;
    };
    // A link, a device or a folder is never replaced: refused before any work.
    QString unfit;
    if (!PrivateFile::checkDestination(path, &unfit))
        return fail(unfit);

    QString dbError;
    qint64 total = 0;
    std::vector<double> widths = columnWidths(options.filter, &total, &dbError);
    SheetSource sheet(std::move(widths));
    sheet.total = total;
    sheet.progress = options.progress;
    if (total < 0 || !sheet.rows.open(QStringLiteral("IDE"), subjectColumns(), options.filter, &dbError))
        return fail(dbError);

    // The workbook part names the filter range and the shared-string part holds the texts,
    // both known once the sheet is written: they are made after the sheet's, in the order the
    // parts were added.
    XlsxPackage::Archive archive;
    QString zipFailure;
    const bool added = archive.open(&zipFailure)
        && archive.add("[Content_Types].xml", Xlsx::contentTypes(), &zipFailure)
        && archive.add("_rels/.rels", Xlsx::packageRelations(), &zipFailure)
        && archive.addGenerated(
            "xl/worksheets/sheet1.xml", [&sheet](QByteArray& out) { return sheet.generate(out); },
            [&sheet] { return sheet.failed(); }, sheet.rows.movable(), &zipFailure)
        && archive.addLate(
            "xl/workbook.xml", [&sheet] { return Xlsx::workbook(sheet.sheet.filterRange()); }, &zipFailure)
        && archive.addLate(
            "xl/sharedStrings.xml", [&sheet] { return sheet.sheet.sharedStrings(); }, &zipFailure)
        && archive.add("xl/_rels/workbook.xml.rels", Xlsx::workbookRelations(), &zipFailure)
        && archive.add("xl/styles.xml", Xlsx::styles(options.fontName), &zipFailure);
    if (!added)
        return fail(zipFailure);
    QByteArray bytes;
    if (!archive.finish(&bytes, &zipFailure)) {
        if (sheet.cancelled)
            return ExportOutcome::Cancelled;
        return fail(!sheet.failure.isEmpty() ? sheet.failure : zipFailure);
    }
    const qint64 written = sheet.sheet.rowsWritten();
    if (options.progress && !options.progress(written, written))
        return ExportOutcome::Cancelled;

    QString detail;
    if (!XlsxPackage::writeFile(path, bytes, &detail))
        return fail(detail);
    return ExportOutcome::Written;
}

} // namespace Scoring
