#pragma once
#include "data/SubjectReader.h"

#include <QString>
#include <QVariantList>
#include <QVector>

#include <functional>

// The subjects with their results as a spreadsheet workbook (.xlsx) a counsellor opens
// without a command line: the same columns and result texts as the CSV export, on one
// right-to-left sheet with Persian captions. Codes, names, dates and times are text cells (a
// code 007 stays 007); totals, ranks, weights and scores are numbers shown with the decimals
// of the scoring window. The header row is frozen and carries an autofilter; every cell
// format names the Persian font.
namespace Scoring {

// Which subjects are exported: an SQL condition on IDE with its bound values ("" = all).
using SubjectFilter = SubjectReader::Filter;

enum class ExportOutcome { Written, Cancelled, Failed };

struct XlsxOptions {
    QString fontName; // the font named in every cell format (the spreadsheet's own when empty)
    SubjectFilter filter;
    // Called every few thousand subjects (from the thread running the export) with the number
    // written and the number to write; returning false cancels.
    std::function<bool(qint64 done, qint64 total)> progress;
};

// The number of subjects the filter selects, -1 on a database error.
qint64 countSubjects(const SubjectFilter& filter, QString* error = nullptr);

// Writes the workbook to `path`. It is written under a temporary name in the same folder,
// readable by its owner only, and renamed over `path` only when complete: a failure or a
// cancel leaves `path` as it was and no temporary file behind. On failure *error holds the
// message the windows show (a folder that cannot be written and a full disk named as such).
ExportOutcome exportXlsx(const QString& path, const XlsxOptions& options, QString* error = nullptr);

// A small table as a one-sheet, right-to-left workbook (the item report): each cell a text or
// a number (a null QVariant leaves the cell empty). Written under a temporary name beside
// `path` and renamed over it when complete.
bool writeTableXlsx(const QString& path, const QString& sheetName, const QVector<QVariantList>& rows,
                    QString* error = nullptr);

// The messages of the spreadsheet export.
QString xlsxFailedMessage(const QString& detail); // "فايل اکسل ذخيره نشد" and the reason
QString xlsxSavedMessage(); // after a successful export
} // namespace Scoring
