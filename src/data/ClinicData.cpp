#include "data/ClinicData.h"

#include "data/ClinicStore.h"

ClinicData ClinicData::load() { return ClinicStore().load(); }

QString ClinicData::buildContactText(const QStringList& t1ToT6)
{
    QString text;
    for (const QString& line : t1ToT6)
        if (!line.isEmpty())
            text += line + "\r\n";
    return text;
}
