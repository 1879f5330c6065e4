#pragma once
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QVariant>

// Workbooks written by real writers for the tests: .xlsx by libxlsxwriter, .xls by
// python3-xlwt, .ods as the zip + XML an OpenDocument writer produces (through libzip).
namespace TestWorkbooks {
struct Cell {
    enum Kind { Plain, FormulaResult, Rich, Boolean };
    QString address;
    QVariant value; // double -> number, QString -> text
    Kind kind = Plain;
};
using Cells = QList<Cell>;

// Cells go on `sheet`; `otherSheet` (when not empty) is added before it, holding "x" in A1.
bool writeXlsx(const QString& path, const QString& sheet, const Cells& cells, bool inlineStrings = false,
               const QString& otherSheet = QString());
bool writeOds(const QString& path, const QString& sheet, const Cells& cells, const QString& otherSheet = QString());
bool writeXls(const QString& path, const QString& sheet, const Cells& cells, QString* error = nullptr);
// A zip archive with the given entries (stored as they are, deflated).
bool writeZip(const QString& path, const QMap<QString, QByteArray>& entries);

// A full answer sheet marked as the program's blank workbook is (`marker` in Z3): item k of
// every type ticked when k is odd, ratings 1..6 then 7..2 (the second ones as text or as numbers).
Cells fullAnswers(const QVariant& marker = QStringLiteral("Meravel"), bool secondRatingsAsText = true);

// The zip entries of a minimal .xlsx with one sheet whose sheet XML is given.
QMap<QString, QByteArray> minimalXlsx(const QString& sheet, const QByteArray& sheetXml,
                                      const QByteArray& sharedStrings = QByteArray());
} // namespace TestWorkbooks
