#pragma once
#include <QString>
#include <QStringList>

#include "scoring/Scoring.h"

class QIODevice;

// All subjects with their scores as CSV (RFC 4180, UTF-8 with a byte-order mark, CR LF line
// ends), in table order: the IDE columns, then the result texts the scoring window would show
// (empty for a subject without whole-number totals). Streams the table in one forward pass.
namespace Scoring {

// How a column's values are written to a workbook: text as it is stored, or a number shown
// as the scoring window shows it (whole, shortest decimal, or at most two decimals with the
// point kept for whole values).
enum class CellKind { Text, Whole, Decimal, TwoPlaces };

// One column of the exports: its CSV name, its caption in the workbook, its cell kind.
struct ExportColumn {
    QString name;
    QString caption;
    CellKind kind;
};
// The columns of both exports, in order: the IDE columns, then the result columns.
const QList<ExportColumn>& exportColumns();
// The first result column (the IDE columns come before it).
int firstResultColumn();
// The IDE columns of the exports, as stored, in column order.
QStringList subjectColumns();
// The result columns of a scored subject, as the scoring window shows them, in column order.
QStringList resultTexts(const Result& result);
// Subjects whose totals have the same key have the same result (ranks, code, leading type and
// all that follows from them: the result depends on the order of the six totals and their
// ties alone, never on the values); keys run from 0 to OrderingKeys - 1. The exports and the
// group summary score each ordering once.
constexpr int OrderingKeys = TypeCount * TypeCount * TypeCount * TypeCount * TypeCount * TypeCount;
int orderingKey(const Totals& totals);

// The CSV names of exportColumns().
QStringList exportHeader();
// The last two columns of a subject row, after the stream scores: "consistency" and
// "differentiation" ("high"/"medium"/"low" and highest minus lowest total). Every export of
// the subject rows (CSV, spreadsheet) appends these for a subject with whole-number totals.
QStringList interpretationHeader();
QStringList interpretationColumns(const Totals& totals);
// Whether a text field beginning with this character would be read by a spreadsheet as a
// formula (=, +, -, @, tab, CR): the CSV export writes such a field with a leading apostrophe.
// Numbers are never guarded; a negative total stays a number.
bool startsLikeFormula(char first);
// Quotes a field when it holds a comma, a quote, CR or LF (quotes doubled).
QString csvField(const QString& text);
} // namespace Scoring
