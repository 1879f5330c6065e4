#pragma once
#include <QString>
#include <QStringList>

#include "scoring/Scoring.h"

class QIODevice;

// All subjects with their scores as CSV (RFC 4180, UTF-8 with a byte-order mark, CR LF line
// ends), in table order: the IDE columns, then the result texts the scoring window would show
// (empty for a subject without whole-number totals). Streams the table in one forward pass.
namespace Scoring {
QStringList exportHeader();
// The last two columns of a subject row, after the stream scores: "consistency" and
// "differentiation" ("high"/"medium"/"low" and highest minus lowest total). Every export of
// the subject rows (CSV, spreadsheet) appends these for a subject with whole-number totals.
QStringList interpretationHeader();
QStringList interpretationColumns(const Totals& totals);
// Quotes a field when it holds a comma, a quote, CR or LF (quotes doubled).
QString csvField(const QString& text);
bool exportCsv(QIODevice* out, QString* error = nullptr);
} // namespace Scoring
