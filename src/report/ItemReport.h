#pragma once
#include "scoring/GroupSummary.h"
#include "scoring/Psychometrics.h"

#include <QString>
#include <QVariantList>
#include <QVector>

#include <vector>

// The item report a counsellor reads: the selection and its N, per type its alpha and a table
// of its 38 items (key, part, the item's text, p, r, alpha if deleted, p of boys and of girls,
// the flags in words), then the hexagon's three mean correlations and the correspondence
// index in words. Written as a PDF (several pages) or as a one-sheet workbook.
namespace ItemReport {

// The rows of the report, as the workbook holds them (a number, a text, or null for nothing).
QVector<QVariantList> rows(const Psychometrics::Analysis& analysis, const QString& selectionText);
// The hexagon in words («میانگین همبستگی ...»).
QString hexagonWords(const Psychometrics::Hexagon& hexagon);

// Analyses the subjects and writes the report to path: .xlsx a workbook, anything else a PDF.
bool write(const std::vector<Psychometrics::Subject>& subjects, const GroupSummary::Selection& selection,
           const QString& path, QString* error = nullptr);

} // namespace ItemReport
