#include "records/WorkbookReader.h"

#include "records/OdsReader.h"
#include "records/WorkbookInternal.h"
#include "records/XlsHelperClient.h"
#include "records/XlsxReader.h"
#include "records/ZipArchive.h"

#include <QFile>
#include <QTemporaryFile>

#include <cmath>

using namespace Workbook;

namespace {
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
} // namespace

// The façade: recognises the format and hands each call to the format's reader.

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
        if (!runXlsHelper(path, -1, {}, &reply, error))
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
        if (!runXlsHelper(xlsPath, index, wanted.cells, &reply, error))
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

// False, with the reason, for a file too large for a workbook or in none of the formats.
static bool isWorkbook(qint64 size, const QByteArray& head, QString* error)
{
    if (size > WorkbookReader::MaxFileBytes) {
        setError(error, QStringLiteral("the file is too large for a workbook"));
        return false;
    }
    if (!isBiff(head) && !isZip(head)) {
        setError(error, NotWorkbook);
        return false;
    }
    return true;
}

bool WorkbookReader::closeUnless(bool opened)
{
    if (!opened)
        close();
    return opened;
}

bool WorkbookReader::open(const QString& path, QString* error)
{
    close();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("the file cannot be opened: ") + file.errorString());
        return false;
    }
    const QByteArray head = file.peek(8);
    if (!isWorkbook(file.size(), head, error))
        return false;
    if (isBiff(head)) {
        file.close();
        return closeUnless(d->openBiff(path, error));
    }
    return openData(file.read(MaxFileBytes + 1), error);
}

bool WorkbookReader::openData(const QByteArray& data, QString* error)
{
    close();
    if (!isWorkbook(data.size(), data, error))
        return false;
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
        return closeUnless(d->openBiff(path, error));
    }
    d->data = data;
    return closeUnless(d->openZip(error));
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
    TextBudget budget;
    switch (d->format) {
    case Format::None:
        setError(error, QStringLiteral("no workbook is open"));
        return false;
    case Format::OfficeOpenXml:
        ok = true;
        for (const auto& s : qAsConst(d->ooxml.sheets))
            if (s.first.compare(sheet, Qt::CaseInsensitive) == 0) {
                found = true;
                ok = readOoxmlCells(d->zip, d->ooxml, s.second, wanted, &result, budget, error);
                break;
            }
        break;
    case Format::OpenDocument:
        ok = readOdsSheets(d->odsContent, nullptr, sheet, &wanted, &result, &found, error, &budget);
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
