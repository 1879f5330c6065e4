#include "scoring/XlsxWriter.h"

#include "data/SubjectReader.h"
#include "data/SubjectText.h"
#include "scoring/Export.h"
#include "scoring/InterpretationTexts.h"
#include "scoring/Scoring.h"

#include <algorithm>
#include <cstring>

namespace Scoring::Xlsx {

namespace {
// The result cells that follow from the ordering of the totals alone: the scoring window's
// texts, then the consistency in a word («زیاد», «متوسط», «کم»).
QStringList orderingTexts(const Totals& totals)
{
    const Result r = score(totals);
    const char* words = r.indices.consistency == Consistency::High ? InterpretationTexts::ConsistencyHigh
        : r.indices.consistency == Consistency::Medium             ? InterpretationTexts::ConsistencyMedium
                                                                   : InterpretationTexts::ConsistencyLow;
    return resultTexts(r) << QString::fromUtf8(words).section(QLatin1String(" ("), 0, 0);
}

// Cell formats (cellXfs of the style part, in this order).
// The default format serves the most cells (the plain numbers) so that they need no style
// attribute: a third of the sheet's bytes otherwise. Text stands centred (a code beside a name
// would otherwise run into it in a right-to-left sheet).
enum Style { StyleDefault = 0, StyleHeader = 1, StyleTwoPlaces = 2, StyleText = 3 };

QByteArray columnName(int column) // 0 -> A, 26 -> AA
{
    QByteArray name;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        name.prepend(char('A' + (c - 1) % 26));
    return name;
}

void appendEscaped(QByteArray& out, const char* text, int size) { SubjectText::appendXmlEscaped(out, text, size); }

QByteArray escaped(const QString& text)
{
    QByteArray out;
    const QByteArray bytes = text.toUtf8();
    appendEscaped(out, bytes.constData(), int(bytes.size()));
    return out;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Where a stored or shown text holds a plain decimal number of the kind: false when it does not;
// else [*from, *to) are the digits to write ("4." -> "4", " 30 " -> "30"), a leading point
// needing a zero before it.
bool numberSpan(CellKind kind, const char* text, int size, int* from, int* to)
{
    int b = 0, e = size;
    while (b < e && isSpace(text[b]))
        ++b;
    while (e > b && isSpace(text[e - 1]))
        --e;
    if (e > b && text[e - 1] == '.' && kind != CellKind::Whole)
        --e;
    int i = b;
    if (i < e && text[i] == '-')
        ++i;
    int digits = 0;
    while (i < e && text[i] >= '0' && text[i] <= '9') {
        ++i;
        ++digits;
    }
    if (i < e && text[i] == '.' && kind != CellKind::Whole) {
        ++i;
        while (i < e && text[i] >= '0' && text[i] <= '9') {
            ++i;
            ++digits;
        }
    }
    if (i != e || digits == 0 || digits > 15)
        return false;
    *from = b;
    *to = e;
    return true;
}

} // namespace

// The texts of the workbook, each stored once in the shared-string part; cells refer to them
// by number. Most subject texts repeat (sex, class, group, dates, names), and a number is
// shorter than the text in its markup.
class StringTable {
public:
    int add(const char* text, int size)
    {
        if ((m_count + 1) * 2 > int(m_slots.size()))
            grow();
        const quint32 h = hash(text, size);
        for (size_t i = h & (m_slots.size() - 1);; i = (i + 1) & (m_slots.size() - 1)) {
            const int index = m_slots[i];
            if (index < 0) {
                m_slots[i] = m_count;
                m_entries.push_back({quint32(m_arena.size()), quint32(size), h});
                m_arena.append(text, size);
                return m_count++;
            }
            const Entry& e = m_entries[size_t(index)];
            if (e.hash == h && int(e.size) == size
                && std::memcmp(m_arena.constData() + e.offset, text, size_t(size)) == 0)
                return index;
        }
    }
    int count() const { return m_count; }
    // The shared-string part.
    QByteArray part() const
    {
        QByteArray out;
        out.reserve(m_arena.size() + m_count * 24 + 256);
        out += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
               "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" uniqueCount=\""
            + QByteArray::number(m_count) + "\">";
        for (const Entry& e : m_entries) {
            const char* t = m_arena.constData() + e.offset;
            out += isSpace(t[0]) || isSpace(t[e.size - 1]) ? "<si><t xml:space=\"preserve\">" : "<si><t>";
            appendEscaped(out, t, int(e.size));
            out += "</t></si>";
        }
        out += "</sst>";
        return out;
    }

private:
    struct Entry {
        quint32 offset, size, hash;
    };
    static quint32 hash(const char* text, int size)
    {
        quint32 h = 2166136261u;
        for (int i = 0; i < size; ++i)
            h = (h ^ static_cast<unsigned char>(text[i])) * 16777619u;
        return h;
    }
    void grow()
    {
        m_slots.assign(std::max<size_t>(1024, m_slots.size() * 2), -1);
        for (int index = 0; index < m_count; ++index)
            for (size_t i = m_entries[size_t(index)].hash & (m_slots.size() - 1);; i = (i + 1) & (m_slots.size() - 1))
                if (m_slots[i] < 0) {
                    m_slots[i] = index;
                    break;
                }
    }

    std::vector<int> m_slots;
    std::vector<Entry> m_entries;
    QByteArray m_arena;
    int m_count = 0;
};

namespace {
// Appends one cell. An empty value writes nothing; the next cell then names its place.
class RowWriter {
public:
    RowWriter(QByteArray& out, const std::vector<QByteArray>& columnNames, StringTable& strings)
        : m_out(out)
        , m_names(columnNames)
        , m_strings(strings)
    {
    }

    void begin(qint64 row)
    {
        m_row = QByteArray::number(row);
        m_out += "<row r=\"";
        m_out += m_row;
        m_out += "\">";
        m_column = 0;
        m_placed = true;
    }
    void end() { m_out += "</row>"; }
    void skip(int columns = 1)
    {
        m_column += columns;
        m_placed = false;
    }
    void cell(CellKind kind, const char* text, int size, int styleOverride = -1)
    {
        if (size == 0) {
            skip();
            return;
        }
        int from = 0, to = 0;
        const bool number = kind != CellKind::Text && numberSpan(kind, text, size, &from, &to);
        // (Every row passes here forty times: literals are appended with their lengths known.)
        put("<c");
        if (!m_placed) {
            put(" r=\"");
            m_out += m_names[m_column];
            m_out += m_row;
            m_out += '"';
            m_placed = true;
        }
        if (number) {
            if (kind == CellKind::TwoPlaces)
                put(" s=\"2\"><v>");
            else
                put("><v>");
            if (text[from] == '-') {
                m_out += '-';
                ++from;
            }
            if (text[from] == '.')
                m_out += '0';
            m_out.append(text + from, to - from);
            put("</v></c>");
        } else {
            put(" s=\"");
            m_out += char('0' + (styleOverride > 0 ? styleOverride : int(StyleText)));
            put("\" t=\"s\"><v>");
            char digits[16];
            char* end = digits + sizeof digits;
            char* p = end;
            for (unsigned index = unsigned(m_strings.add(text, size)); p == end || index > 0; index /= 10)
                *--p = char('0' + index % 10);
            m_out.append(p, end - p);
            put("</v></c>");
        }
        ++m_column;
    }
    // Cells written elsewhere (a cached run of result cells) that start at the current column.
    void append(const QByteArray& cells, int columns)
    {
        m_out += cells;
        m_column += columns;
    }
    // Whether the next cell may leave out its place (it follows the previous cell).
    bool placed() const { return m_placed; }

private:
    template <size_t N> void put(const char (&literal)[N]) { m_out.append(literal, qsizetype(N - 1)); }

    QByteArray& m_out;
    const std::vector<QByteArray>& m_names;
    StringTable& m_strings;
    QByteArray m_row;
    int m_column = 0;
    bool m_placed = true;
};

} // namespace

SheetWriter::SheetWriter(std::vector<double> widths)
    : m_strings(std::make_unique<StringTable>())
    , m_widths(std::move(widths))
    , m_resultCells(OrderingKeys)
{
    for (int c = 0; c < exportColumns().size(); ++c)
        m_columnNames.push_back(columnName(c));
}

SheetWriter::~SheetWriter() = default;

void SheetWriter::head(QByteArray& out)
{
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
           "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
           "<sheetViews><sheetView rightToLeft=\"1\" tabSelected=\"1\" workbookViewId=\"0\">"
           "<pane ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" state=\"frozen\"/>"
           "<selection pane=\"bottomLeft\" activeCell=\"A2\" sqref=\"A2\"/></sheetView></sheetViews>"
           "<sheetFormatPr defaultRowHeight=\"18\"/><cols>";
    for (size_t c = 0; c < m_widths.size(); ++c) {
        const QByteArray n = QByteArray::number(qulonglong(c + 1));
        out += "<col min=\"" + n + "\" max=\"" + n + "\" width=\"" + QByteArray::number(m_widths[c], 'f', 1)
            + "\" customWidth=\"1\"/>";
    }
    out += "</cols><sheetData>";
    // The header row is high enough for captions wrapped over three lines.
    out += "<row r=\"1\" ht=\"48\" customHeight=\"1\">";
    RowWriter w(out, m_columnNames, *m_strings);
    for (const ExportColumn& c : exportColumns()) {
        const QByteArray caption = c.caption.toUtf8();
        w.cell(CellKind::Text, caption.constData(), int(caption.size()), StyleHeader);
    }
    w.end();
}

void SheetWriter::row(QByteArray& out, const SubjectReader::Rows& rows)
{
    const QList<ExportColumn>& columns = exportColumns();
    RowWriter w(out, m_columnNames, *m_strings);
    const int first = firstResultColumn();
    // The differentiation, the last column, depends on the values and is written per row;
    // every column before it follows from the ordering of the totals and is cached.
    const int resultCount = int(columns.size()) - first - 1;
    SixTexts raw;
    const qint64 n = m_written + 1;
    w.begin(n + 1);
    for (int c = 0; c < first; ++c) {
        const SubjectReader::Field f = rows.field(c);
        w.cell(columns.at(c).kind, f.data, f.size);
        if (c >= first - TypeCount)
            raw[c - (first - TypeCount)] = f.toString();
    }
    if (const auto totals = parseTotals(raw)) {
        QByteArray& cells = m_resultCells[size_t(orderingKey(*totals))];
        if (cells.isNull()) {
            // Written once per ordering of the totals, right after the six totals (no cell is
            // ever left out before them when they are whole numbers).
            cells = QByteArray("");
            RowWriter rw(cells, m_columnNames, *m_strings);
            const QStringList texts = orderingTexts(*totals);
            for (int i = 0; i < resultCount; ++i) {
                const QByteArray t = texts.value(i).toUtf8();
                rw.cell(columns.at(first + i).kind, t.constData(), int(t.size()));
                if (!rw.placed()) { // an empty result text: the cache would lose places
                    cells.clear();
                    break;
                }
            }
        }
        if (cells.isEmpty()) { // not cacheable: written cell by cell
            const QStringList texts = orderingTexts(*totals);
            for (int i = 0; i < resultCount; ++i) {
                const QByteArray t = texts.value(i).toUtf8();
                w.cell(columns.at(first + i).kind, t.constData(), int(t.size()));
            }
        } else {
            w.append(cells, resultCount);
        }
        const auto [low, high] = std::minmax_element(totals->begin(), totals->end());
        const QByteArray d = QByteArray::number(*high - *low);
        w.cell(columns.last().kind, d.constData(), int(d.size()));
    }
    w.end();
    m_written = n;
}

void SheetWriter::tail(QByteArray& out) const
{
    out += "</sheetData><autoFilter ref=\"A1:" + m_columnNames.back() + QByteArray::number(m_written + 1)
        + "\"/>"
          "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>"
          "<pageSetup orientation=\"landscape\"/></worksheet>";
}

QByteArray SheetWriter::filterRange() const
{
    return "$A$1:$" + m_columnNames.back() + "$" + QByteArray::number(m_written + 1);
}

QByteArray SheetWriter::sharedStrings() const { return m_strings->part(); }

// ---- the fixed parts ----------------------------------------------------------------------------

namespace {
// The parts of a workbook; the subjects' adds the shared strings and the styles.
QByteArray contentTypesOf(bool stringsAndStyles)
{
    QByteArray types = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                       "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                       "<Default Extension=\"rels\" "
                       "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                       "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                       "<Override PartName=\"/xl/workbook.xml\" "
                       "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
                       "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
                       "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>";
    if (stringsAndStyles)
        types += "<Override PartName=\"/xl/sharedStrings.xml\" "
                 "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>"
                 "<Override PartName=\"/xl/styles.xml\" "
                 "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>";
    return types + "</Types>";
}

QByteArray workbookRelationsOf(bool stringsAndStyles)
{
    QByteArray relations = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                           "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                           "<Relationship Id=\"rId1\" "
                           "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
                           "Target=\"worksheets/sheet1.xml\"/>";
    if (stringsAndStyles)
        relations += "<Relationship Id=\"rId2\" "
                     "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
                     "Target=\"styles.xml\"/>"
                     "<Relationship Id=\"rId3\" "
                     "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" "
                     "Target=\"sharedStrings.xml\"/>";
    return relations + "</Relationships>";
}
} // namespace

QByteArray contentTypes() { return contentTypesOf(true); }

QByteArray packageRelations()
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
           "<Relationship Id=\"rId1\" "
           "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
           "Target=\"xl/workbook.xml\"/></Relationships>";
}

QByteArray workbookRelations() { return workbookRelationsOf(true); }

const char* const SheetName = "\xd8\xa2\xd8\xb2\xd9\x85\xd9\x88\xd8\xaf\xd9\x86\xd9\x8a \xd9\x87\xd8\xa7"; // آزمودني ها

QByteArray workbook(const QByteArray& filterRange)
{
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                      "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                      "<bookViews><workbookView/></bookViews><sheets><sheet name=\"")
        + SheetName + "\" sheetId=\"1\" r:id=\"rId1\"/></sheets><definedNames>"
        + "<definedName name=\"_xlnm._FilterDatabase\" localSheetId=\"0\" hidden=\"1\">'" + SheetName + "'!"
        + filterRange + "</definedName></definedNames></workbook>";
}

QByteArray styles(const QString& fontName)
{
    QByteArray font;
    const QByteArray name = fontName.toUtf8();
    appendEscaped(font, name.constData(), int(name.size()));
    const QByteArray fontTail = "<sz val=\"11\"/>"
        + (font.isEmpty() ? QByteArray() : "<name val=\"" + font + "\"/><family val=\"2\"/><charset val=\"178\"/>");
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
           // Two places, the point kept on whole numbers ("6."); left-to-right marks at both
           // ends keep the point after the digits in the right-to-left sheet.
           "<numFmts count=\"1\"><numFmt numFmtId=\"164\" "
           "formatCode=\"&quot;&#x200E;&quot;0.##&quot;&#x200E;&quot;\"/></numFmts>"
           "<fonts count=\"2\"><font>"
        + fontTail + "</font><font><b/>" + fontTail
        + "</font></fonts>"
          "<fills count=\"3\"><fill><patternFill patternType=\"none\"/></fill>"
          "<fill><patternFill patternType=\"gray125\"/></fill>"
          "<fill><patternFill patternType=\"solid\"><fgColor rgb=\"FFDDE6F0\"/><bgColor "
          "indexed=\"64\"/></patternFill></fill>"
          "</fills><borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
          "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
          "<cellXfs count=\"4\">"
          "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
          "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"2\" borderId=\"0\" xfId=\"0\" applyFont=\"1\" applyFill=\"1\" "
          "applyAlignment=\"1\"><alignment horizontal=\"center\" vertical=\"center\" wrapText=\"1\" "
          "readingOrder=\"2\"/></xf>"
          "<xf numFmtId=\"164\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>"
          "<xf numFmtId=\"49\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\" "
          "applyAlignment=\"1\"><alignment horizontal=\"center\" readingOrder=\"2\"/></xf>"
          "</cellXfs><cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
          "</styleSheet>";
}

QVector<QPair<const char*, QByteArray>> tableParts(const QString& sheetName, const QVector<QVariantList>& rows)
{
    QByteArray sheet = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                       "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                       "<sheetViews><sheetView workbookViewId=\"0\" rightToLeft=\"1\"/></sheetViews><sheetData>";
    for (int r = 0; r < rows.size(); ++r) {
        sheet += "<row r=\"" + QByteArray::number(r + 1) + "\">";
        for (int c = 0; c < rows[r].size(); ++c) {
            const QVariant& v = rows[r][c];
            if (v.isNull())
                continue;
            const QByteArray ref = columnName(c) + QByteArray::number(r + 1);
            if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Int)
                sheet += "<c r=\"" + ref + "\"><v>" + QByteArray::number(v.toDouble(), 'g', 17) + "</v></c>";
            else
                sheet += "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t xml:space=\"preserve\">" + escaped(v.toString())
                    + "</t></is></c>";
        }
        sheet += "</row>";
    }
    sheet += "</sheetData></worksheet>";
    const QByteArray book = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                            "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                            "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                            "<sheets><sheet name=\""
        + escaped(sheetName.left(31)) + "\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";

    return {{"[Content_Types].xml", contentTypesOf(false)},
            {"_rels/.rels", packageRelations()},
            {"xl/workbook.xml", book},
            {"xl/_rels/workbook.xml.rels", workbookRelationsOf(false)},
            {"xl/worksheets/sheet1.xml", sheet}};
}

} // namespace Scoring::Xlsx
