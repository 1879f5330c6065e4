#pragma once
#include <QByteArray>
#include <QString>

#include <vector>

class QIODevice;
namespace SubjectReader {
class Rows;
}

namespace Scoring {
// Writes every subject to `out` (CsvWriter over SubjectReader); false with the reason when the
// rows could not be read or `out` refused a write.
bool exportCsv(QIODevice* out, QString* error = nullptr);

// The CSV export's writer: a byte-order mark and the header line, then one line per subject
// (its IDE fields, then the result columns), in the columns of exportColumns(). Fields are
// UTF-8 as stored, quoted when they hold a comma, a quote, CR or LF; a text field a
// spreadsheet would take for a formula gets a leading apostrophe. Lines are collected in a
// buffer of about a megabyte and written to the device whenever it fills.
class CsvWriter {
public:
    explicit CsvWriter(QIODevice* out);

    void header();
    // One subject from the current row of rows opened on subjectColumns(); false when the
    // device refused the buffer (*error then holds its reason).
    bool row(const SubjectReader::Rows& rows, QString* error);
    // Writes what is left in the buffer.
    bool flush(QString* error);

private:
    QIODevice* m_out;
    QByteArray m_buffer;
    std::vector<bool> m_textColumn;
    std::vector<QByteArray> m_resultByOrdering; // the result fields of each ordering, once met
};
} // namespace Scoring
