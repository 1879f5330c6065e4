#pragma once
#include <QByteArray>
#include <QString>
#include <QVariantList>
#include <QVector>

#include <memory>
#include <vector>

namespace SubjectReader {
class Rows;
}

// The XML parts of the workbooks the program writes (Office Open XML, SpreadsheetML), made by
// hand: for 100,000 subjects several times faster than a general workbook library. Only
// what XML 1.0 allows reaches a part (a stray U+FFFE would make every text after it
// unreadable).
namespace Scoring::Xlsx {
class StringTable;

// The sheet of the subjects: a frozen header row of captions, one row per subject in the
// columns of exportColumns(), an autofilter over them. Texts are stored once each in the
// shared-string part; numbers are written as the scoring window shows them.
class SheetWriter {
public:
    // widths: one per export column, in characters.
    explicit SheetWriter(std::vector<double> widths);
    ~SheetWriter();
    SheetWriter(const SheetWriter&) = delete;
    SheetWriter& operator=(const SheetWriter&) = delete;

    // The part's start, up to and with the header row.
    void head(QByteArray& out);
    // One subject from the current row of rows opened on subjectColumns().
    void row(QByteArray& out, const SubjectReader::Rows& rows);
    // The part's end, naming the filter range.
    void tail(QByteArray& out) const;
    qint64 rowsWritten() const { return m_written; }
    // The header and the subject rows as the workbook part names them ("$A$1:$AQ$5").
    QByteArray filterRange() const;
    // The shared-string part: complete once every row is written.
    QByteArray sharedStrings() const;

private:
    std::unique_ptr<StringTable> m_strings;
    std::vector<QByteArray> m_columnNames;
    std::vector<double> m_widths;
    std::vector<QByteArray> m_resultCells; // the cached result cells of each ordering
    qint64 m_written = 0;
};

// The fixed parts of the subjects' workbook.
QByteArray contentTypes();
QByteArray packageRelations();
QByteArray workbookRelations();
QByteArray workbook(const QByteArray& filterRange);
QByteArray styles(const QString& fontName); // the font of every cell format (none: the spreadsheet's own)

// The parts of a small one-sheet, right-to-left table (each cell a text, a number or empty
// for a null QVariant), by part name in the order they go into the archive.
QVector<QPair<const char*, QByteArray>> tableParts(const QString& sheetName, const QVector<QVariantList>& rows);

} // namespace Scoring::Xlsx
