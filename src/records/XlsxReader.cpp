#include "records/XlsxReader.h"

#include <QSet>

namespace Workbook {

namespace {
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

// Reads one XML part and hands found the reader at each start of an element named element.
template <typename Found>
bool forEachElement(const ZipArchive& zip, const QString& part, QLatin1String element, QString* error, Found found)
{
    QByteArray data;
    if (!zip.read(part, &data, error))
        return false;
    QXmlStreamReader xml(data);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == element)
            found(xml);
    }
    return !xmlFailed(xml, part, error);
}
} // namespace

// Relationship Id -> (Type, Target) of one .rels part.
bool readRels(const ZipArchive& zip, const QString& relsPart, QHash<QString, QPair<QString, QString>>* rels,
              QString* error)
{
    return forEachElement(zip, relsPart, QLatin1String("Relationship"), error, [rels](const QXmlStreamReader& xml) {
        rels->insert(attribute(xml, QLatin1String("Id")),
                     {attribute(xml, QLatin1String("Type")), attribute(xml, QLatin1String("Target"))});
    });
}

bool OoxmlBook::load(const ZipArchive& zip, QString* error)
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

    return forEachElement(zip, workbookPart, QLatin1String("sheet"), error, [&](const QXmlStreamReader& xml) {
        QString id;
        for (const QXmlStreamAttribute& a : xml.attributes())
            if (a.name() == QLatin1String("id") && !a.namespaceUri().isEmpty())
                id = a.value().toString();
        const auto rel = rels.value(id);
        // Chart sheets and dialog sheets have no cells to read.
        if (!rel.first.isEmpty() && !rel.first.endsWith(QLatin1String("/worksheet")))
            return;
        const QString part = rel.second.isEmpty()
            ? base + "/worksheets/sheet" + attribute(xml, QLatin1String("sheetId")) + ".xml"
            : resolvePart(base, rel.second);
        sheets.append({attribute(xml, QLatin1String("name")), part});
    });
}

// The text of an <si> or <is> element: its <t> runs, without phonetic runs (<rPh>).
QString richText(QXmlStreamReader& xml, TextBudget& budget)
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
            if (!budget.append(text, xml.text()))
                break;
        }
    }
    return text;
}

bool readOoxmlCells(const ZipArchive& zip, const OoxmlBook& book, const QString& sheetPart, const Wanted& wanted,
                    QHash<QString, QString>* values, TextBudget& budget, QString* error)
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
                        if (!budget.accept(v))
                            break;
                    } else if (xml.name() == QLatin1String("is")) {
                        inlineText = richText(xml, budget);
                        hasInline = true;
                        if (budget.exceeded())
                            break;
                    } else {
                        xml.skipCurrentElement(); // formulas and extensions are never evaluated
                    }
                } else if (xml.isEndElement()) {
                    --depth;
                }
            }
            if (budget.exceeded()) {
                setError(error, Damaged + ": " + TooMuchText);
                return false;
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
            if (needed.contains(index)) {
                strings.insert(index, richText(sst, budget));
                if (budget.exceeded()) {
                    setError(error, Damaged + ": " + TooMuchText);
                    return false;
                }
            } else {
                sst.skipCurrentElement();
            }
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

} // namespace Workbook
