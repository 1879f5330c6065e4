#include "TestWorkbooks.h"
#include "HostRun.h"

#include "questionnaire/AnswerColumns.h"
#include "records/WorkbookImport.h"
#include "records/WorkbookReader.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <xlsxwriter.h>
#include <zip.h>

namespace TestWorkbooks {

Cells fullAnswers(const QVariant& marker, bool secondRatingsAsText)
{
    Cells cells{{"Z3", marker}};
    for (int table = 1; table <= 3; ++table)
        for (int t = 0; t < 6; ++t)
            for (int k = 1; k <= AnswerColumns::itemsPerType(table); ++k)
                cells.append({WorkbookImport::answerCell(table, t, k), double(k % 2)});
    for (int t = 0; t < 6; ++t) {
        cells.append({WorkbookImport::answerCell(4, t, 1), double(t + 1)});
        cells.append({WorkbookImport::answerCell(4, t, 2),
                      secondRatingsAsText ? QVariant(QString::number(7 - t)) : QVariant(double(7 - t))});
    }
    return cells;
}

bool writeXlsx(const QString& path, const QString& sheet, const Cells& cells, bool inlineStrings,
               const QString& otherSheet)
{
    lxw_workbook_options options = {};
    // constant_memory mode writes inline strings instead of the shared string table.
    options.constant_memory = inlineStrings ? LXW_TRUE : LXW_FALSE;
    lxw_workbook* wb = workbook_new_opt(path.toUtf8().constData(), &options);
    if (!wb)
        return false;
    if (!otherSheet.isEmpty())
        worksheet_write_string(workbook_add_worksheet(wb, otherSheet.toUtf8().constData()), 0, 0, "x", nullptr);
    lxw_worksheet* ws = workbook_add_worksheet(wb, sheet.toUtf8().constData());
    lxw_format* bold = workbook_add_format(wb);
    format_set_bold(bold);
    // constant_memory mode needs rows in order.
    Cells sorted = cells;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Cell& a, const Cell& b) {
        int ra, ca, rb, cb;
        WorkbookReader::parseAddress(a.address, &ra, &ca);
        WorkbookReader::parseAddress(b.address, &rb, &cb);
        return ra != rb ? ra < rb : ca < cb;
    });
    for (const Cell& c : sorted) {
        int r = 0, col = 0;
        if (!WorkbookReader::parseAddress(c.address, &r, &col))
            return false;
        const lxw_row_t row = lxw_row_t(r - 1);
        const lxw_col_t column = lxw_col_t(col - 1);
        const bool number = c.value.typeId() == QMetaType::Double || c.value.typeId() == QMetaType::Int;
        const QByteArray text = c.value.toString().toUtf8();
        switch (c.kind) {
        case Cell::Plain:
            if (number)
                worksheet_write_number(ws, row, column, c.value.toDouble(), nullptr);
            else
                worksheet_write_string(ws, row, column, text.constData(), nullptr);
            break;
        case Cell::FormulaResult:
            if (number)
                worksheet_write_formula_num(ws, row, column, "=2-1", nullptr, c.value.toDouble());
            else
                worksheet_write_formula_str(ws, row, column, "=\"a\"&\"b\"", nullptr, text.constData());
            break;
        case Cell::Rich: {
            // Two runs: the first character in bold, the rest plain.
            const QString s = c.value.toString();
            const QByteArray first = s.left(1).toUtf8(), rest = s.mid(1).toUtf8();
            lxw_rich_string_tuple f1 = {bold, const_cast<char*>(first.constData())};
            lxw_rich_string_tuple f2 = {nullptr, const_cast<char*>(rest.constData())};
            lxw_rich_string_tuple* runs[] = {&f1, &f2, nullptr};
            worksheet_write_rich_string(ws, row, column, runs, nullptr);
            break;
        }
        case Cell::Boolean:
            worksheet_write_boolean(ws, row, column, c.value.toBool(), nullptr);
            break;
        }
    }
    return workbook_close(wb) == LXW_NO_ERROR;
}

static QByteArray escape(const QString& s) { return s.toHtmlEscaped().toUtf8(); }

bool writeOds(const QString& path, const QString& sheet, const Cells& cells, const QString& otherSheet)
{
    QMap<int, QMap<int, Cell>> grid;
    for (const Cell& c : cells) {
        int r = 0, col = 0;
        if (!WorkbookReader::parseAddress(c.address, &r, &col))
            return false;
        grid[r][col] = c;
    }
    QByteArray x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                   "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
                   " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\""
                   " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\""
                   " xmlns:calcext=\"urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0\""
                   " office:version=\"1.2\"><office:body><office:spreadsheet>";
    if (!otherSheet.isEmpty())
        x += "<table:table table:name=\"" + escape(otherSheet) + "\"><table:table-row><table:table-cell "
             "office:value-type=\"string\"><text:p>x</text:p></table:table-cell></table:table-row></table:table>";
    x += "<table:table table:name=\"" + escape(sheet) + "\"><table:table-column table:number-columns-repeated=\"30\"/>";
    // Gaps between rows and cells are written as repeated empty rows and cells, as writers do.
    int row = 0;
    for (auto r = grid.constBegin(); r != grid.constEnd(); ++r) {
        if (r.key() > row + 1)
            x += "<table:table-row table:number-rows-repeated=\"" + QByteArray::number(r.key() - row - 1)
                 + "\"><table:table-cell table:number-columns-repeated=\"1024\"/></table:table-row>";
        x += "<table:table-row>";
        int col = 0;
        for (auto c = r->constBegin(); c != r->constEnd(); ++c) {
            if (c.key() > col + 1)
                x += "<table:table-cell table:number-columns-repeated=\"" + QByteArray::number(c.key() - col - 1) + "\"/>";
            const Cell& cell = c.value();
            const bool number = cell.value.typeId() == QMetaType::Double || cell.value.typeId() == QMetaType::Int;
            if (cell.kind == Cell::Boolean) {
                x += QByteArray("<table:table-cell office:value-type=\"boolean\" office:boolean-value=\"")
                     + (cell.value.toBool() ? "true" : "false") + "\"><text:p>x</text:p></table:table-cell>";
            } else if (number) {
                const QByteArray v = QByteArray::number(cell.value.toDouble(), 'g', 17);
                // The shown text uses two decimals, so only office:value gives the number.
                x += QByteArray("<table:table-cell ")
                     + (cell.kind == Cell::FormulaResult ? "table:formula=\"of:=2-1\" " : "")
                     + "office:value-type=\"float\" calcext:value-type=\"float\" office:value=\"" + v + "\"><text:p>"
                     + QByteArray::number(cell.value.toDouble(), 'f', 2) + "</text:p></table:table-cell>";
            } else if (cell.kind == Cell::Rich) {
                const QString s = cell.value.toString();
                x += "<table:table-cell office:value-type=\"string\"><text:p><text:span>" + escape(s.left(1))
                     + "</text:span>" + escape(s.mid(1)) + "</text:p><office:annotation><text:p>note</text:p>"
                     "</office:annotation></table:table-cell>";
            } else {
                // Runs of blanks are written as text:s, as writers do.
                QByteArray t;
                const QString s = cell.value.toString();
                for (int i = 0; i < s.size(); ++i) {
                    if (s.at(i) == ' ' && i + 1 < s.size() && s.at(i + 1) == ' ') {
                        int n = 0;
                        while (i < s.size() && s.at(i) == ' ')
                            ++n, ++i;
                        --i;
                        t += "<text:s text:c=\"" + QByteArray::number(n) + "\"/>";
                    } else {
                        t += escape(QString(s.at(i)));
                    }
                }
                x += QByteArray("<table:table-cell ")
                     + (cell.kind == Cell::FormulaResult ? "table:formula=\"of:=&quot;a&quot;\" " : "")
                     + "office:value-type=\"string\"><text:p>" + t + "</text:p></table:table-cell>";
            }
            col = c.key();
        }
        x += "<table:table-cell table:number-columns-repeated=\"16000\"/></table:table-row>";
        row = r.key();
    }
    x += "<table:table-row table:number-rows-repeated=\"1048000\"><table:table-cell "
         "table:number-columns-repeated=\"1024\"/></table:table-row>";
    x += "</table:table></office:spreadsheet></office:body></office:document-content>";
    QMap<QString, QByteArray> entries;
    entries.insert("mimetype", "application/vnd.oasis.opendocument.spreadsheet");
    entries.insert("content.xml", x);
    entries.insert("META-INF/manifest.xml",
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?><manifest:manifest "
                   "xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\"><manifest:file-entry "
                   "manifest:full-path=\"/\" manifest:media-type=\"application/vnd.oasis.opendocument.spreadsheet\"/>"
                   "<manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\"/>"
                   "</manifest:manifest>");
    return writeZip(path, entries);
}

bool writeXls(const QString& path, const QString& sheet, const Cells& cells, QString* error)
{
    QJsonArray list;
    for (const Cell& c : cells) {
        int r = 0, col = 0;
        if (!WorkbookReader::parseAddress(c.address, &r, &col))
            return false;
        const bool number = c.value.typeId() == QMetaType::Double || c.value.typeId() == QMetaType::Int;
        list.append(QJsonArray{r - 1, col - 1, number ? QJsonValue(c.value.toDouble()) : QJsonValue(c.value.toString())});
    }
    const QJsonObject job{{"path", hostPath(path)}, {"sheet", sheet}, {"cells", list}};
    // The system interpreter, which has Debian's python3-xlwt.
    const HostRun::Result r = HostRun::run("/usr/bin/python3",
                                           {"-c",
                                            "import sys, json, xlwt\n"
                                            "job = json.load(sys.stdin)\n"
                                            "wb = xlwt.Workbook(encoding='utf-8')\n"
                                            "wb.add_sheet('Other').write(0, 0, 'x')\n"
                                            "ws = wb.add_sheet(job['sheet'])\n"
                                            "for r, c, v in job['cells']:\n"
                                            "    ws.write(r, c, v)\n"
                                            "wb.save(job['path'])\n"},
                                           QJsonDocument(job).toJson(), 60000);
    if (!r.ok() && error)
        *error = QString::fromUtf8(r.err);
    return r.ok();
}

bool writeZip(const QString& path, const QMap<QString, QByteArray>& entries)
{
    int err = 0;
    zip_t* z = zip_open(path.toUtf8().constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!z)
        return false;
    for (auto it = entries.constBegin(); it != entries.constEnd(); ++it) {
        zip_source_t* s = zip_source_buffer(z, it.value().constData(), zip_uint64_t(it.value().size()), 0);
        if (!s || zip_file_add(z, it.key().toUtf8().constData(), s, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(s);
            zip_discard(z);
            return false;
        }
    }
    return zip_close(z) == 0;
}

QMap<QString, QByteArray> minimalXlsx(const QString& sheet, const QByteArray& sheetXml, const QByteArray& sharedStrings)
{
    QMap<QString, QByteArray> e;
    e.insert("[Content_Types].xml",
             "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>");
    e.insert("_rels/.rels",
             "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
             "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
             "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>");
    e.insert("xl/workbook.xml",
             "<?xml version=\"1.0\"?><workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
             "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets><sheet name=\""
                 + escape(sheet) + "\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>");
    QByteArray rels = "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                      "relationships\"><Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/"
                      "officeDocument/2006/relationships/worksheet\" Target=\"worksheets/sheet1.xml\"/>";
    if (!sharedStrings.isNull()) {
        rels += "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
                "sharedStrings\" Target=\"sharedStrings.xml\"/>";
        e.insert("xl/sharedStrings.xml", sharedStrings);
    }
    e.insert("xl/_rels/workbook.xml.rels", rels + "</Relationships>");
    e.insert("xl/worksheets/sheet1.xml", sheetXml);
    return e;
}
} // namespace TestWorkbooks
