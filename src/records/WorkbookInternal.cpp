#include "records/WorkbookInternal.h"

namespace Workbook {

const QString NotWorkbook = QStringLiteral("the file is not a workbook");
const QString Damaged = QStringLiteral("the workbook is damaged");
const QString TooMuchText = QStringLiteral("a cell holds more text than a workbook can");

bool carriesDoctype(const QByteArray& data)
{
    QXmlStreamReader xml(data);
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::DTD: return true;
        case QXmlStreamReader::StartElement:
        case QXmlStreamReader::Invalid: return false;
        default: break;
        }
    }
    return false;
}

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

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

} // namespace Workbook
