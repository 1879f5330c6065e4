#include "scoring/CsvWriter.h"

#include "data/SubjectReader.h"
#include "scoring/Export.h"
#include "scoring/Interpretation.h"

#include <QIODevice>

#include <algorithm>

namespace Scoring {

namespace {
constexpr qsizetype BufferSize = 1 << 20;

void appendField(QByteArray& line, const QString& text, bool first = false)
{
    if (!first)
        line += ',';
    line += csvField(text).toUtf8();
}

// A field as UTF-8 bytes, quoted when it holds a comma, a quote, CR or LF. A text field that a
// spreadsheet would take for a formula gets a leading apostrophe.
void appendRawField(QByteArray& line, const char* text, int size, bool isText)
{
    const bool guard = isText && size > 0 && startsLikeFormula(text[0]);
    bool quote = false;
    for (int i = 0; i < size && !quote; ++i)
        quote = text[i] == ',' || text[i] == '"' || text[i] == '\r' || text[i] == '\n';
    if (!quote) {
        if (guard)
            line += '\'';
        line.append(text, size);
        return;
    }
    line += '"';
    if (guard)
        line += '\'';
    for (int i = 0; i < size; ++i) {
        if (text[i] == '"')
            line += '"';
        line += text[i];
    }
    line += '"';
}
} // namespace

CsvWriter::CsvWriter(QIODevice* out)
    : m_out(out)
    , m_resultByOrdering(OrderingKeys)
{
    m_buffer.reserve(BufferSize);
    for (int c = 0; c < firstResultColumn(); ++c)
        m_textColumn.push_back(exportColumns().at(c).kind == CellKind::Text);
}

void CsvWriter::header()
{
    m_buffer += "\xEF\xBB\xBF";
    const QStringList names = exportHeader();
    for (int i = 0; i < names.size(); ++i)
        appendField(m_buffer, names[i], i == 0);
    m_buffer += "\r\n";
}

bool CsvWriter::row(const SubjectReader::Rows& rows, QString* error)
{
    const int subjectColumns = firstResultColumn();
    SixTexts raw;
    for (int c = 0; c < subjectColumns; ++c) {
        const SubjectReader::Field f = rows.field(c);
        if (c > 0)
            m_buffer += ',';
        appendRawField(m_buffer, f.data, f.size, m_textColumn[size_t(c)]);
        if (c >= subjectColumns - TypeCount)
            raw[c - (subjectColumns - TypeCount)] = f.toString();
    }
    if (const auto totals = parseTotals(raw)) {
        QByteArray& columns = m_resultByOrdering[size_t(orderingKey(*totals))];
        if (columns.isNull()) {
            const Result r = score(*totals);
            columns = QByteArray(""); // not null: computed
            for (const QString& text : resultTexts(r))
                appendField(columns, text);
            // The leading pair, and so the consistency, follows from the ordering too.
            appendField(columns, consistencyId(r.indices.consistency));
        }
        m_buffer += columns;
        // The differentiation depends on the values: computed for every row.
        const auto [low, high] = std::minmax_element(totals->begin(), totals->end());
        m_buffer += ',';
        m_buffer += QByteArray::number(*high - *low);
    } else {
        m_buffer.append(int(exportColumns().size()) - subjectColumns, ',');
    }
    m_buffer += "\r\n";
    return m_buffer.size() <= BufferSize - 4096 || flush(error);
}

bool CsvWriter::flush(QString* error)
{
    if (m_buffer.isEmpty())
        return true;
    if (m_out->write(m_buffer) != m_buffer.size()) {
        if (error)
            *error = m_out->errorString();
        return false;
    }
    m_buffer.resize(0); // the memory stays for the next lines
    return true;
}

bool exportCsv(QIODevice* out, QString* error)
{
    CsvWriter writer(out);
    writer.header();
    return SubjectReader::forEach(
               QStringLiteral("IDE"), subjectColumns(), {},
               [&](const SubjectReader::Rows& rows) { return writer.row(rows, error); }, error)
        && writer.flush(error);
}

} // namespace Scoring
