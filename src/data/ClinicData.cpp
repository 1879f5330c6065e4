#include "data/ClinicData.h"

#include "data/ProgramFolder.h"
#include "data/RecordSet.h"

#include <QFileInfo>
#include <QImageReader>

ClinicData ClinicData::load()
{
    ClinicData d;
    RecordSet theme;
    if (theme.open(DbFile::Settings, "SELECT * FROM Theme ") && theme.hasCurrent()) {
        d.showLogo = theme.value("Check1").trimmed() == "1";
        d.name = theme.value("Name");
        d.address = theme.value("Adress");
        QStringList lines;
        for (const char* c : {"T1", "T2", "T3", "T4", "T5", "T6"})
            lines << theme.value(c);
        d.contactText = buildContactText(lines);
    }
    // The logo file's name says JPEG, but the format is recognised from its content. Only a
    // regular file is read: a pipe would keep every report waiting.
    const QString logo = ProgramFolder::logoFile();
    if (QFileInfo(logo).isFile()) {
        QImageReader reader(logo);
        reader.setDecideFormatFromContent(true);
        d.logo = reader.read();
    }
    return d;
}

QString ClinicData::buildContactText(const QStringList& t1ToT6)
{
    QString text;
    for (const QString& line : t1ToT6)
        if (!line.isEmpty())
            text += line + "\r\n";
    return text;
}
