#include "records/WorkbookReader.h"

#include "data/ProgramFolder.h"

#include <QFile>
#include <QMap>
#include <QSet>
#include <QTemporaryFile>
#include <QXmlStreamReader>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>

#include <freexl.h>
#include <zip.h>

#include <cctype>
#include <cmath>
#include <limits>

namespace {
const QString NotWorkbook = QStringLiteral("the file is not a workbook");
const QString Damaged = QStringLiteral("the workbook is damaged");

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

// The wanted cells by row and column, with the addresses that named them (several
// spellings such as "c3" and "C3" may name one cell).
struct Wanted {
    QMap<int, QMap<int, QStringList>> rows;
    QList<QPair<int, int>> cells;
    int maxRow = 0;

    bool build(const QStringList& addresses, QHash<QString, QString>* values, QString* error)
    {
        for (const QString& a : addresses) {
            int r = 0, c = 0;
            if (!WorkbookReader::parseAddress(a, &r, &c)) {
                setError(error, QStringLiteral("not a cell address: ") + a);
                return false;
            }
            QStringList& names = rows[r][c];
            if (names.isEmpty())
                cells.append({r, c});
            names.append(a);
            maxRow = std::max(maxRow, r);
            values->insert(a, QString());
        }
        return true;
    }
    bool wants(int row, int column) const
    {
        const auto it = rows.constFind(row);
        return it != rows.constEnd() && it->contains(column);
    }
    void assign(int row, int column, const QString& text, QHash<QString, QString>* values) const
    {
        for (const QString& a : rows.value(row).value(column))
            values->insert(a, text);
    }
    // The wanted cells in rows [firstRow, lastRow] and columns [firstCol, lastCol].
    QList<QPair<int, int>> within(qint64 firstRow, qint64 lastRow, qint64 firstCol, qint64 lastCol) const
    {
        QList<QPair<int, int>> hits;
        if (firstRow > maxRow)
            return hits;
        for (auto r = rows.lowerBound(int(std::max<qint64>(firstRow, 0))); r != rows.constEnd() && r.key() <= lastRow; ++r)
            for (auto c = r->lowerBound(int(std::min<qint64>(firstCol, 1 << 30))); c != r->constEnd() && c.key() <= lastCol; ++c)
                hits.append({r.key(), c.key()});
        return hits;
    }
};

// Column letters ("C", "AB") of an A1 address; 0 when malformed.
int columnNumber(QStringView letters)
{
    if (letters.isEmpty() || letters.size() > 3)
        return 0;
    int n = 0;
    for (QChar ch : letters) {
        const char16_t u = ch.toUpper().unicode();
        if (u < 'A' || u > 'Z')
            return 0;
        n = n * 26 + (u - 'A' + 1);
    }
    return n;
}

// ---------------------------------------------------------------- zip archive (libzip)

class ZipArchive {
public:
    ~ZipArchive() { close(); }

    bool open(const QByteArray& data, QString* error)
    {
        close();
        zip_error_t err;
        zip_error_init(&err);
        zip_source_t* src = zip_source_buffer_create(data.constData(), zip_uint64_t(data.size()), 0, &err);
        if (!src) {
            zip_error_fini(&err);
            setError(error, Damaged);
            return false;
        }
        m_zip = zip_open_from_source(src, ZIP_RDONLY | ZIP_CHECKCONS, &err);
        if (!m_zip) {
            zip_source_free(src);
            setError(error, Damaged + ": " + QString::fromUtf8(zip_error_strerror(&err)));
            zip_error_fini(&err);
            return false;
        }
        zip_error_fini(&err);
        return true;
    }

    void close()
    {
        if (m_zip)
            zip_discard(m_zip);
        m_zip = nullptr;
    }

    bool has(const QString& name) const { return m_zip && locate(name) >= 0; }

    // Inflates one entry, refusing it once it grows past the cap, whatever its header claims.
    bool read(const QString& name, QByteArray* out, QString* error) const
    {
        out->clear();
        const zip_int64_t index = locate(name);
        if (index < 0) {
            setError(error, NotWorkbook + ": " + name + " is missing");
            return false;
        }
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(m_zip, zip_uint64_t(index), 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE)
            && st.size > zip_uint64_t(WorkbookReader::MaxEntryBytes)) {
            setError(error, Damaged + ": " + name + " is too large");
            return false;
        }
        zip_file_t* f = zip_fopen_index(m_zip, zip_uint64_t(index), 0);
        if (!f) {
            setError(error, Damaged + ": " + name + " cannot be read");
            return false;
        }
        char buffer[64 * 1024];
        bool ok = true;
        for (;;) {
            const zip_int64_t n = zip_fread(f, buffer, sizeof buffer);
            if (n < 0) {
                setError(error, Damaged + ": " + name + " cannot be read");
                ok = false;
                break;
            }
            if (n == 0)
                break;
            if (out->size() + n > WorkbookReader::MaxEntryBytes) {
                setError(error, Damaged + ": " + name + " is too large");
                ok = false;
                break;
            }
            out->append(buffer, int(n));
        }
        zip_fclose(f);
        if (!ok)
            out->clear();
        return ok;
    }

private:
    zip_int64_t locate(const QString& name) const
    {
        // Package part names are compared without regard to case.
        return zip_name_locate(m_zip, name.toUtf8().constData(), ZIP_FL_NOCASE);
    }

    zip_t* m_zip = nullptr;
};

// A malformed XML part ends the read with an error, never with partial values.
bool xmlFailed(const QXmlStreamReader& xml, const QString& part, QString* error)
{
    if (!xml.hasError())
        return false;
    setError(error, Damaged + ": " + part + ": " + xml.errorString());
    return true;
}

QString attribute(const QXmlStreamReader& xml, QLatin1String localName)
{
    for (const QXmlStreamAttribute& a : xml.attributes())
        if (a.name() == localName)
            return a.value().toString();
    return QString();
}

// Resolves a relationship target against the folder of the part that names it.
QString resolvePart(const QString& baseFolder, const QString& target)
{
    QString t = target;
    t.replace('\\', '/');
    QStringList parts;
    if (!t.startsWith('/'))
        parts = baseFolder.split('/', Qt::SkipEmptyParts);
    for (const QString& p : t.split('/', Qt::SkipEmptyParts)) {
        if (p == QLatin1String(".."))
        {
            if (!parts.isEmpty())
                parts.removeLast();
        } else if (p != QLatin1String(".")) {
            parts.append(p);
        }
    }
    return parts.join('/');
}

QString folderOf(const QString& part)
{
    const int slash = part.lastIndexOf('/');
    return slash < 0 ? QString() : part.left(slash);
}

QString relsOf(const QString& part)
{
    const QString folder = folderOf(part);
    const QString file = part.mid(folder.isEmpty() ? 0 : folder.size() + 1);
    return (folder.isEmpty() ? QString() : folder + '/') + "_rels/" + file + ".rels";
}

// Relationship Id -> (Type, Target) of one .rels part.
bool readRels(const ZipArchive& zip, const QString& relsPart, QHash<QString, QPair<QString, QString>>* rels,
              QString* error)
{
    QByteArray data;
    if (!zip.read(relsPart, &data, error))
        return false;
    QXmlStreamReader xml(data);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("Relationship"))
            rels->insert(attribute(xml, QLatin1String("Id")),
                         {attribute(xml, QLatin1String("Type")), attribute(xml, QLatin1String("Target"))});
    }
    return !xmlFailed(xml, relsPart, error);
}

// ---------------------------------------------------------------- Office Open XML

struct OoxmlBook {
    QString workbookPart;
    QString sharedStringsPart;
    QList<QPair<QString, QString>> sheets; // name -> part

    bool load(const ZipArchive& zip, QString* error)
    {
        workbookPart = QStringLiteral("xl/workbook.xml");
        if (zip.has("_rels/.rels")) {
            QHash<QString, QPair<QString, QString>> rootRels;
            if (!readRels(zip, "_rels/.rels", &rootRels, error))
                return false;
            for (const auto& r : qAsConst(rootRels))
                if (r.first.endsWith(QLatin1String("/officeDocument")))
                    workbookPart = resolvePart(QString(), r.second);
        }
        if (!zip.has(workbookPart)) {
            setError(error, NotWorkbook);
            return false;
        }
        QHash<QString, QPair<QString, QString>> rels;
        if (zip.has(relsOf(workbookPart)) && !readRels(zip, relsOf(workbookPart), &rels, error))
            return false;
        const QString base = folderOf(workbookPart);
        for (const auto& r : qAsConst(rels))
            if (r.first.endsWith(QLatin1String("/sharedStrings")))
                sharedStringsPart = resolvePart(base, r.second);

        QByteArray data;
        if (!zip.read(workbookPart, &data, error))
            return false;
        QXmlStreamReader xml(data);
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == QLatin1String("sheet")) {
                QString id;
                for (const QXmlStreamAttribute& a : xml.attributes())
                    if (a.name() == QLatin1String("id") && !a.namespaceUri().isEmpty())
                        id = a.value().toString();
                const auto rel = rels.value(id);
                // Chart sheets and dialog sheets have no cells to read.
                if (!rel.first.isEmpty() && !rel.first.endsWith(QLatin1String("/worksheet")))
                    continue;
                const QString part = rel.second.isEmpty()
                                         ? base + "/worksheets/sheet" + attribute(xml, QLatin1String("sheetId")) + ".xml"
                                         : resolvePart(base, rel.second);
                sheets.append({attribute(xml, QLatin1String("name")), part});
            }
        }
        return !xmlFailed(xml, workbookPart, error);
    }
};

// The text of an <si> or <is> element: its <t> runs, without phonetic runs (<rPh>).
QString richText(QXmlStreamReader& xml)
{
    QString text;
    int depth = 1, phonetic = 0;
    bool inT = false;
    while (depth > 0 && !xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            ++depth;
            if (xml.name() == QLatin1String("rPh"))
                ++phonetic;
            else if (xml.name() == QLatin1String("t"))
                inT = true;
        } else if (xml.isEndElement()) {
            --depth;
            if (xml.name() == QLatin1String("rPh"))
                --phonetic;
            else if (xml.name() == QLatin1String("t"))
                inT = false;
        } else if (xml.isCharacters() && inT && phonetic == 0) {
            text += xml.text();
        }
    }
    return text;
}

bool readOoxmlCells(const ZipArchive& zip, const OoxmlBook& book, const QString& sheetPart, const Wanted& wanted,
                    QHash<QString, QString>* values, QString* error)
{
    QByteArray data;
    if (!zip.read(sheetPart, &data, error))
        return false;

    QMap<QPair<int, int>, int> sharedRefs; // cell -> shared string index
    QXmlStreamReader xml(data);
    int row = 0, column = 0;
    bool inSheetData = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == QLatin1String("sheetData"))
            break; // the cells are over; nothing after them is needed
        if (!xml.isStartElement())
            continue;
        const auto name = xml.name();
        if (name == QLatin1String("sheetData")) {
            inSheetData = true;
        } else if (inSheetData && name == QLatin1String("row")) {
            bool ok = false;
            const int r = attribute(xml, QLatin1String("r")).toInt(&ok);
            row = ok && r > 0 ? r : row + 1;
            column = 0;
            if (row > wanted.maxRow)
                break; // rows come in rising order
        } else if (inSheetData && name == QLatin1String("c")) {
            const QString ref = attribute(xml, QLatin1String("r"));
            int r = 0, c = 0;
            if (!ref.isEmpty() && WorkbookReader::parseAddress(ref, &r, &c)) {
                row = r;
                column = c;
            } else {
                ++column;
            }
            if (!wanted.wants(row, column)) {
                xml.skipCurrentElement();
                continue;
            }
            const QString type = attribute(xml, QLatin1String("t"));
            QString v;
            QString inlineText;
            bool hasInline = false;
            int depth = 1;
            while (depth > 0 && !xml.atEnd()) {
                xml.readNext();
                if (xml.isStartElement()) {
                    if (xml.name() == QLatin1String("v")) {
                        v = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                    } else if (xml.name() == QLatin1String("is")) {
                        inlineText = richText(xml);
                        hasInline = true;
                    } else {
                        xml.skipCurrentElement(); // formulas and extensions are never evaluated
                    }
                } else if (xml.isEndElement()) {
                    --depth;
                }
            }
            QString text;
            if (type == QLatin1String("s")) {
                bool ok = false;
                const int index = v.trimmed().toInt(&ok);
                if (ok && index >= 0)
                    sharedRefs.insert({row, column}, index);
                continue;
            } else if (type == QLatin1String("inlineStr")) {
                text = hasInline ? inlineText : v;
            } else if (type == QLatin1String("b")) {
                text = v.isEmpty() ? QString() : (v.trimmed() == QLatin1String("0") ? "FALSE" : "TRUE");
            } else if (type == QLatin1String("str") || type == QLatin1String("e") || type == QLatin1String("d")) {
                text = v;
            } else {
                bool ok = false;
                const double n = v.trimmed().toDouble(&ok);
                text = ok ? WorkbookReader::numberText(n) : v;
            }
            wanted.assign(row, column, text, values);
        }
    }
    if (xmlFailed(xml, sheetPart, error))
        return false;
    if (sharedRefs.isEmpty())
        return true;

    // Only the shared strings the wanted cells point at are kept.
    if (book.sharedStringsPart.isEmpty() || !zip.read(book.sharedStringsPart, &data, error)) {
        setError(error, Damaged + ": the shared strings are missing");
        return false;
    }
    QSet<int> needed;
    int last = 0;
    for (int i : qAsConst(sharedRefs)) {
        needed.insert(i);
        last = std::max(last, i);
    }
    QHash<int, QString> strings;
    QXmlStreamReader sst(data);
    int index = -1;
    while (!sst.atEnd() && index < last) {
        sst.readNext();
        if (sst.isStartElement() && sst.name() == QLatin1String("si")) {
            ++index;
            if (needed.contains(index))
                strings.insert(index, richText(sst));
            else
                sst.skipCurrentElement();
        }
    }
    if (xmlFailed(sst, book.sharedStringsPart, error))
        return false;
    for (auto it = sharedRefs.constBegin(); it != sharedRefs.constEnd(); ++it) {
        if (!strings.contains(it.value())) {
            setError(error, Damaged + ": a shared string is missing");
            return false;
        }
        wanted.assign(it.key().first, it.key().second, strings.value(it.value()), values);
    }
    return true;
}

// ---------------------------------------------------------------- OpenDocument

// Repeat counts are clamped: a sheet is at most about a million rows and 16,384 columns.
qint64 repeatCount(const QXmlStreamReader& xml, QLatin1String name)
{
    bool ok = false;
    const qint64 n = attribute(xml, name).toLongLong(&ok);
    if (!ok || n < 1)
        return 1;
    return std::min<qint64>(n, 1 << 24);
}

// The shown text of a string cell: its paragraphs joined by line breaks, with the
// space, tab and line-break elements expanded. Annotations are not part of the value.
QString odsCellText(QXmlStreamReader& xml)
{
    QString text;
    int depth = 1, paragraphs = 0, annotation = 0;
    while (depth > 0 && !xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            ++depth;
            const auto n = xml.name();
            if (annotation) {
                continue;
            } else if (n == QLatin1String("annotation")) {
                ++annotation;
            } else if (n == QLatin1String("p") || n == QLatin1String("h")) {
                if (depth == 2 && paragraphs++ > 0)
                    text += '\n';
            } else if (n == QLatin1String("s")) {
                text += QString(int(std::min<qint64>(repeatCount(xml, QLatin1String("c")), 4096)), ' ');
            } else if (n == QLatin1String("tab")) {
                text += '\t';
            } else if (n == QLatin1String("line-break")) {
                text += '\n';
            }
        } else if (xml.isEndElement()) {
            --depth;
            if (xml.name() == QLatin1String("annotation") && annotation)
                --annotation;
        } else if (xml.isCharacters() && !annotation && depth > 1) {
            text += xml.text();
        }
    }
    return text;
}

QString odsCellValue(QXmlStreamReader& xml)
{
    QString type;
    QString value, dateValue, timeValue, boolValue, stringValue;
    bool hasStringValue = false;
    for (const QXmlStreamAttribute& a : xml.attributes()) {
        const auto n = a.name();
        if (n == QLatin1String("value-type") && (type.isEmpty() || a.prefix() == QLatin1String("office")))
            type = a.value().toString();
        else if (n == QLatin1String("value"))
            value = a.value().toString();
        else if (n == QLatin1String("date-value"))
            dateValue = a.value().toString();
        else if (n == QLatin1String("time-value"))
            timeValue = a.value().toString();
        else if (n == QLatin1String("boolean-value"))
            boolValue = a.value().toString();
        else if (n == QLatin1String("string-value")) {
            stringValue = a.value().toString();
            hasStringValue = true;
        }
    }
    if (type == QLatin1String("float") || type == QLatin1String("percentage") || type == QLatin1String("currency")) {
        xml.skipCurrentElement();
        bool ok = false;
        const double n = value.trimmed().toDouble(&ok);
        return ok ? WorkbookReader::numberText(n) : value;
    }
    if (type == QLatin1String("boolean")) {
        xml.skipCurrentElement();
        return boolValue == QLatin1String("true") ? "TRUE" : "FALSE";
    }
    if (type == QLatin1String("date")) {
        xml.skipCurrentElement();
        return dateValue;
    }
    if (type == QLatin1String("time")) {
        xml.skipCurrentElement();
        return timeValue;
    }
    if (type == QLatin1String("string")) {
        if (hasStringValue) {
            xml.skipCurrentElement();
            return stringValue;
        }
        return odsCellText(xml);
    }
    xml.skipCurrentElement(); // no value type: an empty cell
    return QString();
}

bool readOdsSheets(const QByteArray& content, QStringList* names, const QString& sheet, const Wanted* wanted,
                   QHash<QString, QString>* values, bool* found, QString* error)
{
    QXmlStreamReader xml(content);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement() || xml.name() != QLatin1String("table"))
            continue;
        const QString name = attribute(xml, QLatin1String("name"));
        if (names)
            names->append(name);
        if (!wanted || name.compare(sheet, Qt::CaseInsensitive) != 0) {
            xml.skipCurrentElement();
            continue;
        }
        *found = true;
        // Rows may stand inside header-row, row-group and rows elements at any depth.
        qint64 row = 0;
        int depth = 1;
        while (depth > 0 && !xml.atEnd()) {
            xml.readNext();
            if (xml.isEndElement()) {
                --depth;
                continue;
            }
            if (!xml.isStartElement())
                continue;
            const auto n = xml.name();
            if (n == QLatin1String("table-row")) {
                const qint64 repeat = repeatCount(xml, QLatin1String("number-rows-repeated"));
                const qint64 first = row + 1;
                row += repeat;
                if (first > wanted->maxRow) {
                    xml.skipCurrentElement();
                    continue;
                }
                const qint64 last = std::min<qint64>(row, std::numeric_limits<int>::max());
                if (wanted->within(first, last, 1, std::numeric_limits<int>::max()).isEmpty()) {
                    xml.skipCurrentElement();
                    continue;
                }
                qint64 column = 0;
                while (xml.readNextStartElement()) {
                    const auto cn = xml.name();
                    if (cn != QLatin1String("table-cell") && cn != QLatin1String("covered-table-cell")) {
                        xml.skipCurrentElement();
                        continue;
                    }
                    const qint64 colRepeat = repeatCount(xml, QLatin1String("number-columns-repeated"));
                    const qint64 firstCol = column + 1;
                    column += colRepeat;
                    const QList<QPair<int, int>> hits = wanted->within(first, last, firstCol, column);
                    if (hits.isEmpty()) {
                        xml.skipCurrentElement();
                        continue;
                    }
                    const QString text = odsCellValue(xml);
                    for (const auto& h : hits)
                        wanted->assign(h.first, h.second, text, values);
                }
            } else if (n == QLatin1String("table-row-group") || n == QLatin1String("table-header-rows")
                       || n == QLatin1String("table-rows")) {
                ++depth;
            } else {
                xml.skipCurrentElement(); // columns, shapes, nested content
            }
        }
        break;
    }
    return !xmlFailed(xml, "content.xml", error);
}

// ---------------------------------------------------------------- BIFF (helper process)

// FreeXL, which reads .xls files, is not safe against crafted files, so it runs in the helper
// meravel-xls (XlsHelper.cpp). Its answer is text, one item a line, and is trusted no further
// than this parser checks it:
//   meravel-xls 1                first line
//   S <hex UTF-8>                a sheet name (sheet list)
//   C <row> <col> I <int>        a cell: whole number,
//   C <row> <col> D <double>     number,
//   C <row> <col> T <hex UTF-8>  text (also dates and times as FreeXL writes them),
//   C <row> <col> E              empty
//   X <FreeXL code>              the file was refused
//   end                          last line (a cut-off answer has none)
QString biffRefusal(int code)
{
    return code == FREEXL_BIFF_PASSWORD ? QStringLiteral("the workbook is protected by a password")
                                        : Damaged + " (" + QString::number(code) + ")";
}

bool parseHexText(const QByteArray& hex, QString* text)
{
    if (hex.size() % 2)
        return false;
    for (char c : hex)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    *text = QString::fromUtf8(QByteArray::fromHex(hex));
    return true;
}

bool parseInt(const QByteArray& s, qint64 low, qint64 high, qint64* out)
{
    bool ok = false;
    const qint64 v = s.toLongLong(&ok);
    if (!ok || v < low || v > high)
        return false;
    *out = v;
    return true;
}

bool parseCell(const QList<QByteArray>& f, WorkbookReader::BiffReply* reply)
{
    qint64 row = 0, column = 0;
    if (f.size() < 4 || f.size() > 5 || !parseInt(f[1], 1, 1048576, &row) || !parseInt(f[2], 1, 16384, &column)
        || f[3].size() != 1)
        return false;
    const char kind = f[3][0];
    const bool hasValue = f.size() == 5;
    QString text;
    if (kind == 'E' && !hasValue) {
        // empty cell
    } else if (kind == 'T' && hasValue) {
        if (!parseHexText(f[4], &text))
            return false;
    } else if (kind == 'I' && hasValue) {
        qint64 v = 0;
        if (!parseInt(f[4], std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), &v))
            return false;
        text = QString::number(v);
    } else if (kind == 'D' && hasValue) {
        double v = 0;
        if (f[4] == "inf") {
            v = std::numeric_limits<double>::infinity();
        } else if (f[4] == "-inf") {
            v = -std::numeric_limits<double>::infinity();
        } else if (f[4] == "nan" || f[4] == "-nan") {
            v = std::numeric_limits<double>::quiet_NaN();
        } else {
            bool ok = false;
            v = f[4].toDouble(&ok);
            if (!ok)
                return false;
        }
        text = WorkbookReader::numberText(v);
    } else {
        return false;
    }
    reply->cells.append({{int(row), int(column)}, text});
    return true;
}
} // namespace

bool WorkbookReader::parseBiffReply(const QByteArray& output, bool sheetList, int maxCells, BiffReply* reply)
{
    *reply = BiffReply();
    if (output.size() > MaxBiffReplyBytes || !output.startsWith("meravel-xls 1\n") || !output.endsWith("\nend\n"))
        return false;
    const QList<QByteArray> lines = output.chopped(1).split('\n');
    for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
        const QList<QByteArray> f = lines[i].split(' ');
        if (f[0] == "X" && f.size() == 2 && lines.size() == 3) {
            qint64 code = 0;
            if (!parseInt(f[1], std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), &code) || code == 0)
                return false;
            reply->refusal = int(code);
        } else if (sheetList && f[0] == "S" && f.size() == 2 && reply->sheets.size() <= 0xFFFF) {
            QString name;
            if (!parseHexText(f[1], &name))
                return false;
            reply->sheets.append(name);
        } else if (!sheetList && f[0] == "C" && reply->cells.size() < maxCells) {
            if (!parseCell(f, reply))
                return false;
        } else {
            return false;
        }
    }
    return true;
}

namespace {
QString& biffHelperProgram()
{
    static QString program;
    return program;
}
int& biffHelperTimeout()
{
    static int ms = WorkbookReader::DefaultBiffTimeoutMs;
    return ms;
}

// Runs the helper on the file (sheet < 0: the sheet list) and parses its answer; a helper
// that cannot start, crashes, overruns its time or writes anything unexpected leaves the
// workbook unreadable.
bool runBiffHelper(const QString& path, int sheet, const QList<QPair<int, int>>& cells, WorkbookReader::BiffReply* reply,
                   QString* error)
{
    const QString program = WorkbookReader::biffHelper();
    if (program.isEmpty()) {
        setError(error, QStringLiteral("the .xls reader meravel-xls is missing"));
        return false;
    }
    QStringList args{path};
    if (sheet >= 0)
        args << QString::number(sheet);
    QProcess p;
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(program, args);
    if (!p.waitForStarted()) {
        setError(error, QStringLiteral("the .xls reader cannot be started: ") + p.errorString());
        return false;
    }
    if (sheet >= 0) {
        QByteArray request;
        for (const auto& c : cells)
            request += QByteArray::number(c.first) + ' ' + QByteArray::number(c.second) + '\n';
        p.write(request);
    }
    p.closeWriteChannel();

    QDeadlineTimer deadline(biffHelperTimeout());
    QByteArray output;
    bool tooLong = false;
    while (p.state() != QProcess::NotRunning && !deadline.hasExpired() && !tooLong) {
        // A helper that closed its output but runs on is waited for in short steps.
        if (!p.waitForReadyRead(int(qBound<qint64>(1, deadline.remainingTime(), qint64(1000)))))
            p.waitForFinished(int(qBound<qint64>(1, deadline.remainingTime(), qint64(50))));
        output += p.readAllStandardOutput();
        tooLong = output.size() > WorkbookReader::MaxBiffReplyBytes;
    }
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished(5000);
        setError(error, Damaged + (tooLong ? QStringLiteral(": the .xls reader wrote too much")
                                           : QStringLiteral(": the .xls reader took too long")));
        return false;
    }
    output += p.readAllStandardOutput();
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        setError(error, Damaged + QStringLiteral(": the .xls reader failed on it"));
        return false;
    }
    if (!WorkbookReader::parseBiffReply(output, sheet < 0, int(cells.size()), reply)) {
        setError(error, Damaged + QStringLiteral(": the .xls reader gave no sound answer"));
        return false;
    }
    if (reply->refusal) {
        setError(error, biffRefusal(reply->refusal));
        return false;
    }
    return true;
}
} // namespace

void WorkbookReader::setBiffHelper(const QString& program, int timeoutMs)
{
    biffHelperProgram() = program;
    biffHelperTimeout() = timeoutMs;
}

QString WorkbookReader::biffHelper()
{
    if (!biffHelperProgram().isEmpty())
        return biffHelperProgram();
    const QString set = qEnvironmentVariable("MERAVEL_XLS_HELPER");
    if (!set.isEmpty())
        return set;
    // Beside the running program (portable mode), else where an installed program keeps it.
    if (!QCoreApplication::instance())
        return QString();
    return ProgramFolder::helperProgram(QStringLiteral("meravel-xls"));
}

// ---------------------------------------------------------------- the reader

struct WorkbookReader::Impl {
    Format format = Format::None;
    QByteArray data;       // the whole file (zip formats)
    ZipArchive zip;
    OoxmlBook ooxml;
    QByteArray odsContent; // content.xml, inflated once
    QStringList odsSheets;
    QString xlsPath; // the file the helper reads
    QStringList xlsSheets;
    std::unique_ptr<QTemporaryFile> xlsCopy;

    bool openZip(QString* error)
    {
        if (!zip.open(data, error))
            return false;
        if (zip.has("content.xml") && !zip.has("xl/workbook.xml")) {
            if (!zip.read("content.xml", &odsContent, error))
                return false;
            bool found = false;
            if (!readOdsSheets(odsContent, &odsSheets, QString(), nullptr, nullptr, &found, error))
                return false;
            format = Format::OpenDocument;
            return true;
        }
        if (zip.has("[Content_Types].xml") || zip.has("xl/workbook.xml")) {
            if (!ooxml.load(zip, error))
                return false;
            format = Format::OfficeOpenXml;
            return true;
        }
        setError(error, NotWorkbook);
        return false;
    }

    bool openBiff(const QString& path, QString* error)
    {
        BiffReply reply;
        if (!runBiffHelper(path, -1, {}, &reply, error))
            return false;
        xlsPath = path;
        xlsSheets = reply.sheets;
        format = Format::Biff;
        return true;
    }

    bool readBiff(const QString& sheet, const Wanted& wanted, QHash<QString, QString>* values, QString* error,
                  bool* found)
    {
        int index = -1;
        for (int i = 0; i < xlsSheets.size() && index < 0; ++i)
            if (xlsSheets.at(i).compare(sheet, Qt::CaseInsensitive) == 0)
                index = i;
        if (index < 0)
            return true;
        *found = true;
        BiffReply reply;
        if (!runBiffHelper(xlsPath, index, wanted.cells, &reply, error))
            return false;
        for (const auto& c : std::as_const(reply.cells))
            if (wanted.wants(c.first.first, c.first.second))
                wanted.assign(c.first.first, c.first.second, c.second, values);
        return true;
    }
};

WorkbookReader::WorkbookReader() : d(std::make_unique<Impl>()) {}
WorkbookReader::~WorkbookReader() = default;

void WorkbookReader::close() { d = std::make_unique<Impl>(); }
bool WorkbookReader::isOpen() const { return d->format != Format::None; }
WorkbookReader::Format WorkbookReader::format() const { return d->format; }

static bool isBiff(const QByteArray& head) { return head.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"); }
static bool isZip(const QByteArray& head) { return head.startsWith("PK\x03\x04") || head.startsWith("PK\x05\x06"); }

bool WorkbookReader::open(const QString& path, QString* error)
{
    close();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("the file cannot be opened: ") + file.errorString());
        return false;
    }
    if (file.size() > MaxFileBytes) {
        setError(error, QStringLiteral("the file is too large for a workbook"));
        return false;
    }
    const QByteArray head = file.peek(8);
    if (isBiff(head)) {
        file.close();
        if (d->openBiff(path, error))
            return true;
        close();
        return false;
    }
    if (!isZip(head)) {
        setError(error, NotWorkbook);
        return false;
    }
    QByteArray data = file.read(MaxFileBytes + 1);
    return openData(data, error);
}

bool WorkbookReader::openData(const QByteArray& data, QString* error)
{
    close();
    if (data.size() > MaxFileBytes) {
        setError(error, QStringLiteral("the file is too large for a workbook"));
        return false;
    }
    if (isBiff(data)) {
        // FreeXL reads files only.
        d->xlsCopy = std::make_unique<QTemporaryFile>();
        if (!d->xlsCopy->open() || d->xlsCopy->write(data) != data.size() || !d->xlsCopy->flush()) {
            setError(error, QStringLiteral("the file cannot be opened"));
            close();
            return false;
        }
        const QString path = d->xlsCopy->fileName();
        d->xlsCopy->close();
        if (d->openBiff(path, error))
            return true;
        close();
        return false;
    }
    if (!isZip(data)) {
        setError(error, NotWorkbook);
        return false;
    }
    d->data = data;
    if (d->openZip(error))
        return true;
    close();
    return false;
}

QStringList WorkbookReader::sheetNames() const
{
    switch (d->format) {
    case Format::OfficeOpenXml: {
        QStringList names;
        for (const auto& s : qAsConst(d->ooxml.sheets))
            names.append(s.first);
        return names;
    }
    case Format::OpenDocument:
        return d->odsSheets;
    case Format::Biff:
        return d->xlsSheets;
    case Format::None:
        break;
    }
    return {};
}

bool WorkbookReader::readCells(const QString& sheet, const QStringList& addresses, QHash<QString, QString>* values,
                               QString* error)
{
    QHash<QString, QString> result;
    Wanted wanted;
    if (!wanted.build(addresses, &result, error))
        return false;
    bool found = false;
    bool ok = false;
    switch (d->format) {
    case Format::None:
        setError(error, QStringLiteral("no workbook is open"));
        return false;
    case Format::OfficeOpenXml:
        ok = true;
        for (const auto& s : qAsConst(d->ooxml.sheets))
            if (s.first.compare(sheet, Qt::CaseInsensitive) == 0) {
                found = true;
                ok = readOoxmlCells(d->zip, d->ooxml, s.second, wanted, &result, error);
                break;
            }
        break;
    case Format::OpenDocument:
        ok = readOdsSheets(d->odsContent, nullptr, sheet, &wanted, &result, &found, error);
        break;
    case Format::Biff:
        ok = d->readBiff(sheet, wanted, &result, error, &found);
        break;
    }
    if (!ok)
        return false;
    if (!found) {
        setError(error, QStringLiteral("the workbook has no sheet named ") + sheet);
        return false;
    }
    if (values)
        *values = result;
    return true;
}

QString WorkbookReader::cell(const QString& sheet, const QString& address, QString* error)
{
    QHash<QString, QString> values;
    if (!readCells(sheet, {address}, &values, error))
        return QString();
    return values.value(address);
}

bool WorkbookReader::parseAddress(const QString& address, int* row, int* column)
{
    const QString a = address.trimmed().remove('$');
    int i = 0;
    while (i < a.size() && a.at(i).isLetter())
        ++i;
    const int c = columnNumber(QStringView(a).left(i));
    if (c == 0 || c > 16384 || i == a.size())
        return false;
    bool ok = false;
    const QStringView digits = QStringView(a).mid(i);
    for (QChar ch : digits)
        if (ch < '0' || ch > '9')
            return false;
    const int r = digits.toInt(&ok);
    if (!ok || r < 1 || r > 1048576)
        return false;
    *row = r;
    *column = c;
    return true;
}

QString WorkbookReader::numberText(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("#NUM!");
    if (value == 0)
        return QStringLiteral("0"); // also -0
    // Fifteen significant digits, as spreadsheets keep them; trailing zeros dropped.
    QString text = QString::number(value, 'g', 15);
    if (text.contains('e')) {
        // Whole numbers up to 15 digits are shown in full, as spreadsheets do.
        if (std::fabs(value) < 1e15 && value == std::floor(value))
            text = QString::number(value, 'f', 0);
        else
            text = text.toUpper();
    }
    return text;
}
