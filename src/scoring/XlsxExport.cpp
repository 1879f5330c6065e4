#include "scoring/XlsxExport.h"

#include "data/Database.h"
#include "data/PgCopy.h"
#include "scoring/Export.h"
#include "scoring/InterpretationTexts.h"
#include "scoring/Scoring.h"
#include "data/PrivateFile.h"
#include "data/SubjectText.h"
#include "scoring/SqliteHandle.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>

#include <zip.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

// The workbook is a zip archive of a few XML parts. The sheet part is generated while the
// archive is compressed (libzip reads it from a callback), so 100,000 subjects never sit in
// memory as XML; only the compressed archive does, and it is written to disk in one go.

namespace Scoring {

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

constexpr int SubjectColumns = 15; // the IDE columns read for each subject (subjectColumnList())

QString withFilter(const QString& sql, const SubjectFilter& filter, const QString& tail = QString())
{
    return sql + (filter.condition.isEmpty() ? QString() : " WHERE " + filter.condition) + tail;
}

// ---- the subjects, read in table order ------------------------------------------------------

// Reads the selected IDE rows; SQLite straight from its statement, another driver through
// a forward-only query.
class SubjectRows {
public:
    bool open(const SubjectFilter& filter, QString* error)
    {
        m_db = Database::connection(DbFile::Main, error);
        if (!m_db.isOpen())
            return false;
        const QString sql = withFilter("SELECT " + subjectColumnList() + " FROM \"IDE\"", filter, " ORDER BY rid");
        if (Database::mainIsServer()) {
            // A server streams the rows in one COPY, held here as they came; a filter with
            // values to bind (COPY takes none) goes through Qt.
            if (filter.values.isEmpty()) {
                m_fromServer = true;
                return PgCopy::read(
                    m_db, sql,
                    [this](const PgCopy::Row& row) {
                        m_rows.push_back(row);
                        return true;
                    },
                    error);
            }
        } else {
            m_own = openOwnConnection(nullptr);
        }
        m_handle = m_own.get();
        if (m_handle) {
            sqlite3_stmt* s = nullptr;
            if (sqlite3_prepare_v2(m_handle, sql.toUtf8().constData(), -1, &s, nullptr) != SQLITE_OK) {
                *error = QString::fromUtf8(sqlite3_errmsg(m_handle));
                sqlite3_finalize(s);
                return false;
            }
            m_statement.reset(s);
            for (int i = 0; i < filter.values.size(); ++i) {
                const QByteArray v = filter.values.at(i).toString().toUtf8();
                sqlite3_bind_text(s, i + 1, v.constData(), int(v.size()), SQLITE_TRANSIENT);
            }
            return true;
        }
        m_query = QSqlQuery(m_db);
        m_query.setForwardOnly(true);
        m_query.prepare(sql);
        for (const QVariant& v : filter.values)
            m_query.addBindValue(v);
        if (!m_query.exec()) {
            *error = m_query.lastError().text();
            return false;
        }
        return true;
    }

    // The next row, false at the end or on an error (then error() is not empty).
    bool next()
    {
        if (m_fromServer)
            return ++m_at < m_rows.size();
        if (m_statement) {
            const int rc = sqlite3_step(m_statement.get());
            if (rc == SQLITE_ROW)
                return true;
            if (rc != SQLITE_DONE)
                m_error = QString::fromUtf8(sqlite3_errmsg(m_handle));
            return false;
        }
        if (!m_query.next()) {
            if (m_query.lastError().isValid())
                m_error = m_query.lastError().text();
            return false;
        }
        for (int c = 0; c < SubjectColumns; ++c)
            m_values[c] = m_query.value(c).toString().toUtf8();
        return true;
    }

    // Column c of the current row as UTF-8 (valid until the next call to next()).
    std::pair<const char*, int> text(int c) const
    {
        if (m_statement) {
            const char* t = reinterpret_cast<const char*>(sqlite3_column_text(m_statement.get(), c));
            return t ? std::make_pair(t, sqlite3_column_bytes(m_statement.get(), c)) : std::make_pair("", 0);
        }
        if (m_fromServer) {
            const PgCopy::Row& row = m_rows[m_at];
            return c < row.size() ? std::make_pair(row.at(c).constData(), int(row.at(c).size()))
                                  : std::make_pair("", 0);
        }
        return {m_values[c].constData(), int(m_values[c].size())};
    }

    QString error() const { return m_error; }
    // Read straight from SQLite (then the rows may be stepped on another thread while the
    // opening thread waits).
    bool isSqlite() const { return bool(m_statement) || m_fromServer; }

private:
    QSqlDatabase m_db;
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> m_own{nullptr, sqlite3_close};
    sqlite3* m_handle = nullptr;
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> m_statement{nullptr, sqlite3_finalize};
    QSqlQuery m_query;
    QByteArray m_values[SubjectColumns];
    bool m_fromServer = false;
    std::vector<PgCopy::Row> m_rows;
    size_t m_at = size_t(-1);
    QString m_error;
};

// ---- cells --------------------------------------------------------------------------------

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

// Only what XML 1.0 allows reaches the parts: a stray U+FFFE would make every text after it
// unreadable.
void appendEscaped(QByteArray& out, const char* text, int size) { SubjectText::appendXmlEscaped(out, text, size); }

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

// ---- the sheet part, generated as libzip reads it ----------------------------------------------

// With SQLite the rows are read and turned into XML on a thread of their own while libzip
// compresses the chunks already made: the two halves of the work overlap.
struct SheetSource {
    SubjectRows rows;
    const QList<ExportColumn>& columns = exportColumns();
    std::vector<QByteArray> columnNames;
    std::vector<double> widths;
    qint64 total = 0;
    std::atomic<qint64> written{0};
    std::function<bool(qint64, qint64)> progress;

    enum { Head, Rows, Tail, Done } stage = Head;
    std::atomic<bool> cancelled{false};
    QString failure; // set by the generating side before it reports the end
    std::vector<QByteArray> resultCells{std::vector<QByteArray>(ResultKeys)};
    StringTable strings; // filled by the generating side, read once the sheet is complete
    zip_error_t zipError;

    // The consuming side (libzip): the chunk being read.
    QByteArray current;
    qsizetype offset = 0;

    // The generating thread and the chunks it has made.
    bool threaded = false;
    std::thread producer;
    std::mutex lock;
    std::condition_variable changed;
    std::deque<QByteArray> chunks, spare;
    bool finished = false, stop = false;

    static constexpr qsizetype Chunk = 512 * 1024;

    ~SheetSource() { halt(); }

    QByteArray lastCell() const { return columnNames.back() + QByteArray::number(written + 1); }

    void head(QByteArray& out)
    {
        out += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
               "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
               "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
               "<sheetViews><sheetView rightToLeft=\"1\" tabSelected=\"1\" workbookViewId=\"0\">"
               "<pane ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" state=\"frozen\"/>"
               "<selection pane=\"bottomLeft\" activeCell=\"A2\" sqref=\"A2\"/></sheetView></sheetViews>"
               "<sheetFormatPr defaultRowHeight=\"18\"/><cols>";
        for (size_t c = 0; c < widths.size(); ++c) {
            const QByteArray n = QByteArray::number(qulonglong(c + 1));
            out += "<col min=\"" + n + "\" max=\"" + n + "\" width=\"" + QByteArray::number(widths[c], 'f', 1)
                + "\" customWidth=\"1\"/>";
        }
        out += "</cols><sheetData>";
        // The header row is high enough for captions wrapped over three lines.
        out += "<row r=\"1\" ht=\"48\" customHeight=\"1\">";
        RowWriter w(out, columnNames, strings);
        for (const ExportColumn& c : columns) {
            const QByteArray caption = c.caption.toUtf8();
            w.cell(CellKind::Text, caption.constData(), int(caption.size()), StyleHeader);
        }
        w.end();
    }

    // Appends rows until `out` holds about a chunk; false when the rows are exhausted (or
    // failed, or were cancelled).
    bool moreRows(QByteArray& out)
    {
        RowWriter w(out, columnNames, strings);
        const int first = firstResultColumn();
        // The differentiation, the last column, depends on the values and is written per row;
        // every column before it follows from the ordering of the totals and is cached.
        const int resultCount = int(columns.size()) - first - 1;
        SixTexts raw;
        while (out.size() < Chunk) {
            if (!rows.next()) {
                failure = rows.error();
                return false;
            }
            const qint64 n = written + 1;
            w.begin(n + 1);
            for (int c = 0; c < SubjectColumns; ++c) {
                const auto [text, size] = rows.text(c);
                w.cell(columns.at(c).kind, text, size);
                if (c >= SubjectColumns - TypeCount)
                    raw[c - (SubjectColumns - TypeCount)] = QString::fromUtf8(text, size);
            }
            if (const auto totals = parseTotals(raw)) {
                QByteArray& cells = resultCells[resultKey(*totals)];
                if (cells.isNull()) {
                    // Written once per ordering of the totals, right after the six totals
                    // (no cell is ever left out before them when they are whole numbers).
                    cells = QByteArray("");
                    RowWriter rw(cells, columnNames, strings);
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
            written = n;
            if (n % 2048 == 0 && progress && !progress(n, std::max(total, n))) {
                cancelled = true;
                return false;
            }
        }
        return true;
    }

    void tail(QByteArray& out) const
    {
        out += "</sheetData><autoFilter ref=\"A1:" + lastCell()
            + "\"/>"
              "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>"
              "<pageSetup orientation=\"landscape\"/></worksheet>";
    }

    // Appends the next piece of the part to `out`; false once all is made (or it failed).
    bool generate(QByteArray& out)
    {
        switch (stage) {
        case Head:
            head(out);
            stage = Rows;
            return true;
        case Rows:
            if (!moreRows(out)) {
                if (cancelled || !failure.isEmpty()) {
                    stage = Done;
                    return false;
                }
                stage = Tail;
            }
            return true;
        case Tail:
            tail(out);
            stage = Done;
            return false;
        case Done: break;
        }
        return false;
    }

    void start()
    {
        if (stage != Head || producer.joinable())
            return; // opened once only
        threaded = rows.isSqlite();
        if (!threaded)
            return;
        producer = std::thread([this] {
            bool more = true;
            while (more) {
                QByteArray chunk;
                {
                    // A buffer libzip has finished with: fresh memory would be paged in again.
                    const std::lock_guard<std::mutex> l(lock);
                    if (!spare.empty()) {
                        chunk = std::move(spare.back());
                        spare.pop_back();
                    }
                }
                chunk.truncate(0);
                chunk.reserve(Chunk + 64 * 1024);
                more = generate(chunk);
                std::unique_lock<std::mutex> l(lock);
                changed.wait(l, [this] { return chunks.size() < 4 || stop; });
                if (stop)
                    break;
                if (!chunk.isEmpty())
                    chunks.push_back(std::move(chunk));
                changed.notify_all();
            }
            const std::lock_guard<std::mutex> l(lock);
            finished = true;
            changed.notify_all();
        });
    }

    // Stops the generating thread (when libzip gave up early) and waits for it.
    void halt()
    {
        if (!producer.joinable())
            return;
        {
            const std::lock_guard<std::mutex> l(lock);
            stop = true;
            changed.notify_all();
        }
        producer.join();
    }

    // The next chunk for libzip; false at the end.
    bool nextChunk(QByteArray& out)
    {
        if (!threaded) {
            bool more = true;
            while (out.isEmpty() && more)
                more = generate(out);
            return !out.isEmpty();
        }
        std::unique_lock<std::mutex> l(lock);
        if (out.capacity() > 0)
            spare.push_back(std::move(out));
        changed.wait(l, [this] { return !chunks.empty() || finished; });
        if (chunks.empty())
            return false;
        out = std::move(chunks.front());
        chunks.pop_front();
        changed.notify_all();
        return true;
    }

    // Fills `out` with up to `size` bytes of the part: 0 at its end, -1 on failure or cancel.
    zip_int64_t read(char* out, zip_uint64_t size)
    {
        if (offset == current.size()) {
            current.truncate(0);
            offset = 0;
            if (!nextChunk(current))
                return cancelled || !failure.isEmpty() ? -1 : 0;
        }
        const qsizetype n = std::min<qsizetype>(qsizetype(size), current.size() - offset);
        std::memcpy(out, current.constData() + offset, size_t(n));
        offset += n;
        return n;
    }
};

zip_int64_t sheetCallback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    auto* s = static_cast<SheetSource*>(state);
    switch (command) {
    case ZIP_SOURCE_OPEN: s->start(); return 0;
    case ZIP_SOURCE_CLOSE: return 0;
    case ZIP_SOURCE_READ: {
        const zip_int64_t n = s->read(static_cast<char*>(data), length);
        if (n < 0)
            zip_error_set(&s->zipError, s->cancelled ? ZIP_ER_CANCELLED : ZIP_ER_READ, 0);
        return n;
    }
    case ZIP_SOURCE_STAT: {
        auto* st = static_cast<zip_stat_t*>(data);
        zip_stat_init(st); // the size is not known beforehand
        return sizeof(*st);
    }
    case ZIP_SOURCE_ERROR: return zip_error_to_data(&s->zipError, data, length);
    case ZIP_SOURCE_FREE: return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default: zip_error_set(&s->zipError, ZIP_ER_OPNOTSUPP, 0); return -1;
    }
}

// ---- the fixed parts ----------------------------------------------------------------------------

QByteArray contentTypes()
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
           "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
           "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
           "<Override PartName=\"/xl/workbook.xml\" "
           "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
           "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
           "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
           "<Override PartName=\"/xl/sharedStrings.xml\" "
           "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>"
           "<Override PartName=\"/xl/styles.xml\" "
           "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
           "</Types>";
}

QByteArray packageRelations()
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
           "<Relationship Id=\"rId1\" "
           "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
           "Target=\"xl/workbook.xml\"/></Relationships>";
}

QByteArray workbookRelations()
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
           "<Relationship Id=\"rId1\" "
           "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
           "Target=\"worksheets/sheet1.xml\"/>"
           "<Relationship Id=\"rId2\" "
           "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
           "Target=\"styles.xml\"/>"
           "<Relationship Id=\"rId3\" "
           "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" "
           "Target=\"sharedStrings.xml\"/></Relationships>";
}

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
    for (int c = 0; c < SubjectColumns; ++c)
        sql += ", MAX(LENGTH(" + Database::quoted(columns.at(c).name) + "))";
    QSqlQuery q(Database::connection(DbFile::Main, error));
    q.prepare(withFilter(sql + " FROM \"IDE\"", filter));
    for (const QVariant& v : filter.values)
        q.addBindValue(v);
    if (!q.exec() || !q.next()) {
        if (error && error->isEmpty())
            *error = q.lastError().text();
        *count = -1;
        return widths;
    }
    *count = q.value(0).toLongLong();
    for (int c = 0; c < SubjectColumns; ++c)
        widths[size_t(c)] = std::max(widths[size_t(c)], q.value(c + 1).toDouble());
    for (double& w : widths)
        w = std::min(w * 1.1 + 2, 60.0);
    return widths;
}

bool diskFull(int errorNumber)
{
#ifdef EDQUOT
    if (errorNumber == EDQUOT)
        return true;
#endif
    return errorNumber == ENOSPC;
}

QString failureDetail(int errorNumber, const QString& fallback)
{
    switch (errorNumber) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
    case EFBIG: return QStringLiteral("فضاي خالي ديسک کافي نيست");
    case EACCES:
    case EPERM:
    case EROFS:
    case ENOENT:
    case ENOTDIR: return QStringLiteral("در اين پوشه نمي توان فايل نوشت");
    default: return fallback;
    }
}

bool addPart(zip_t* archive, const char* name, zip_source_t* source, QString* error)
{
    const zip_int64_t index = zip_file_add(archive, name, source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        *error = QString::fromUtf8(zip_strerror(archive));
        return false;
    }
    // The fastest deflate level: the XML compresses tenfold even so.
    zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_DEFLATE, 1);
    return true;
}

bool addBytes(zip_t* archive, const char* name, const QByteArray& bytes, std::vector<QByteArray>& keep, QString* error)
{
    keep.push_back(bytes);
    zip_source_t* source = zip_source_buffer(archive, keep.back().constData(), zip_uint64_t(keep.back().size()), 0);
    return source && addPart(archive, name, source, error);
}
} // namespace

bool writeTableXlsx(const QString& path, const QString& sheetName, const QVector<QVariantList>& rows, QString* error)
{
    QString why;
    auto escaped = [](const QString& text) {
        QByteArray out;
        const QByteArray bytes = text.toUtf8();
        appendEscaped(out, bytes.constData(), int(bytes.size()));
        return out;
    };
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
    const QByteArray types =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/xl/workbook.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
        "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/></Types>";
    const QByteArray relations =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
        "Target=\"worksheets/sheet1.xml\"/></Relationships>";
    const QByteArray book = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                            "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                            "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                            "<sheets><sheet name=\""
        + escaped(sheetName.left(31)) + "\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";

    const QString partial = path + QStringLiteral(".part");
    int zipError = 0;
    zip_t* archive = zip_open(QFile::encodeName(partial).constData(), ZIP_CREATE | ZIP_TRUNCATE, &zipError);
    if (!archive) {
        if (error)
            *error = xlsxFailedMessage(failureDetail(errno, QString()));
        return false;
    }
    std::vector<QByteArray> keep;
    keep.reserve(5);
    bool ok = addBytes(archive, "[Content_Types].xml", types, keep, &why)
        && addBytes(archive, "_rels/.rels", packageRelations(), keep, &why)
        && addBytes(archive, "xl/workbook.xml", book, keep, &why)
        && addBytes(archive, "xl/_rels/workbook.xml.rels", relations, keep, &why)
        && addBytes(archive, "xl/worksheets/sheet1.xml", sheet, keep, &why);
    if (!ok) {
        zip_discard(archive);
    } else if (zip_close(archive) != 0) {
        why = QString::fromUtf8(zip_strerror(archive));
        zip_discard(archive);
        ok = false;
    }
    if (ok) {
        PrivateFile::restrictToOwner(partial);
        QFile::remove(path);
        ok = QFile::rename(partial, path);
    }
    if (!ok) {
        QFile::remove(partial);
        if (error)
            *error = xlsxFailedMessage(why);
    }
    return ok;
}

QString xlsxFailedMessage(const QString& detail)
{
    return QStringLiteral("فايل اکسل ذخيره نشد") + (detail.isEmpty() ? QString() : "\n" + detail);
}

QString xlsxSavedMessage() { return QStringLiteral("فايل اکسل با موفقيت ذخيره شد"); }

qint64 countSubjects(const SubjectFilter& filter, QString* error)
{
    QSqlQuery q(Database::connection(DbFile::Main, error));
    q.prepare(withFilter("SELECT COUNT(*) FROM \"IDE\"", filter));
    for (const QVariant& v : filter.values)
        q.addBindValue(v);
    if (!q.exec() || !q.next()) {
        if (error && error->isEmpty())
            *error = q.lastError().text();
        return -1;
    }
    return q.value(0).toLongLong();
}

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

    SheetSource sheet;
    sheet.progress = options.progress;
    zip_error_init(&sheet.zipError);
    QString dbError;
    sheet.widths = columnWidths(options.filter, &sheet.total, &dbError);
    if (sheet.total < 0 || !sheet.rows.open(options.filter, &dbError))
        return fail(dbError);
    for (int c = 0; c < sheet.columns.size(); ++c)
        sheet.columnNames.push_back(columnName(c));

    // The archive is built in memory; the sheet part is generated as it is compressed.
    zip_error_t zipError;
    zip_error_init(&zipError);
    zip_source_t* memory = zip_source_buffer_create(nullptr, 0, 0, &zipError);
    zip_t* archive = memory ? zip_open_from_source(memory, ZIP_TRUNCATE, &zipError) : nullptr;
    if (!archive) {
        const QString reason = QString::fromUtf8(zip_error_strerror(&zipError));
        zip_error_fini(&zipError);
        if (memory)
            zip_source_free(memory);
        return fail(reason);
    }
    zip_error_fini(&zipError);
    zip_source_keep(memory); // still read after the archive is closed
    const std::unique_ptr<zip_source_t, void (*)(zip_source_t*)> memoryGuard(memory, zip_source_free);

    std::vector<QByteArray> parts;
    parts.reserve(8);
    QString zipFailure;
    zip_source_t* sheetSource = zip_source_function(archive, sheetCallback, &sheet);
    // The workbook part names the filter range and the shared-string part holds the texts,
    // both known once the sheet is written: their sources are read after the sheet's, in the
    // order the parts were added.
    struct LatePart {
        std::function<QByteArray()> make;
        QByteArray bytes;
        qsizetype offset = 0;
        zip_error_t error;
    };
    LatePart lateWorkbook{[&sheet] {
                              return workbook("$A$1:$" + sheet.columnNames.back() + "$"
                                              + QByteArray::number(sheet.written + 1));
                          },
                          {},
                          0,
                          {}};
    LatePart lateStrings{[&sheet] { return sheet.strings.part(); }, {}, 0, {}};
    zip_error_init(&lateWorkbook.error);
    zip_error_init(&lateStrings.error);
    auto lateCallback = [](void* state, void* data, zip_uint64_t length, zip_source_cmd_t command) -> zip_int64_t {
        auto* p = static_cast<LatePart*>(state);
        switch (command) {
        case ZIP_SOURCE_OPEN:
            p->bytes = p->make();
            p->offset = 0;
            return 0;
        case ZIP_SOURCE_READ: {
            const qsizetype n = std::min<qsizetype>(qsizetype(length), p->bytes.size() - p->offset);
            std::memcpy(data, p->bytes.constData() + p->offset, size_t(n));
            p->offset += n;
            return n;
        }
        case ZIP_SOURCE_CLOSE: p->bytes = QByteArray(); return 0;
        case ZIP_SOURCE_FREE: return 0;
        case ZIP_SOURCE_STAT: zip_stat_init(static_cast<zip_stat_t*>(data)); return sizeof(zip_stat_t);
        case ZIP_SOURCE_ERROR: return zip_error_to_data(&p->error, data, length);
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                                  ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default: zip_error_set(&p->error, ZIP_ER_OPNOTSUPP, 0); return -1;
        }
    };
    zip_source_t* workbookSource = zip_source_function(archive, lateCallback, &lateWorkbook);
    zip_source_t* stringsSource = zip_source_function(archive, lateCallback, &lateStrings);
    const bool added = sheetSource && workbookSource && stringsSource
        && addBytes(archive, "[Content_Types].xml", contentTypes(), parts, &zipFailure)
        && addBytes(archive, "_rels/.rels", packageRelations(), parts, &zipFailure)
        && addPart(archive, "xl/worksheets/sheet1.xml", sheetSource, &zipFailure)
        && addPart(archive, "xl/workbook.xml", workbookSource, &zipFailure)
        && addPart(archive, "xl/sharedStrings.xml", stringsSource, &zipFailure)
        && addBytes(archive, "xl/_rels/workbook.xml.rels", workbookRelations(), parts, &zipFailure)
        && addBytes(archive, "xl/styles.xml", styles(options.fontName), parts, &zipFailure);
    // (A source not yet added is freed with the archive's discard below.)
    if (!added) {
        zip_discard(archive);
        return fail(zipFailure);
    }
    const bool closed = zip_close(archive) == 0;
    sheet.halt();
    if (!closed) {
        const QString reason = QString::fromUtf8(zip_strerror(archive));
        zip_discard(archive);
        if (sheet.cancelled)
            return ExportOutcome::Cancelled;
        return fail(!sheet.failure.isEmpty() ? sheet.failure : reason);
    }
    zip_error_fini(&sheet.zipError);
    zip_error_fini(&lateWorkbook.error);
    zip_error_fini(&lateStrings.error);
    if (options.progress && !options.progress(sheet.written, sheet.written.load()))
        return ExportOutcome::Cancelled;

    // The compressed archive, out of memory.
    zip_stat_t st;
    QByteArray bytes;
    if (zip_source_stat(memory, &st) == 0 && zip_source_open(memory) == 0) {
        bytes.resize(qsizetype(st.size));
        const zip_int64_t n = zip_source_read(memory, bytes.data(), st.size);
        zip_source_close(memory);
        if (n != zip_int64_t(st.size))
            bytes.clear();
    }
    if (bytes.isEmpty())
        return fail(QString::fromUtf8(zip_error_strerror(zip_source_error(memory))));

    // Beside the target under a temporary name, owner-readable only; renamed when complete.
    PrivateFile::Replacement file(path);
    QString why;
    errno = 0;
    if (!file.open()) // a missing or read-only folder, most often
        return fail(failureDetail(diskFull(errno) ? errno : EACCES, QString()));
    errno = 0;
    if (file.file()->write(bytes) != bytes.size() || !file.file()->flush() || !PrivateFile::syncFile(*file.file())) {
        const int e = errno;
        return fail(failureDetail(e, file.file()->errorString()));
    }
    errno = 0;
    if (!file.commit(&why, PrivateFile::OwnerOnly, true)) {
        const int e = errno;
        return fail(PrivateFile::checkDestination(path) ? failureDetail(e, why) : why);
    }
    return ExportOutcome::Written;
}

} // namespace Scoring
