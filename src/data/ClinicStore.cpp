#include "data/ClinicStore.h"

#include "data/ProgramFolder.h"
#include "data/SettingsStore.h"

#include <QFileInfo>
#include <QImageReader>

ClinicStore::ClinicStore(SettingsStore* settings, QObject* parent)
    : QObject(parent)
{
    if (settings)
        connect(settings, &SettingsStore::changed, this, &ClinicStore::changed);
}

ClinicData ClinicStore::load() const
{
    ClinicData d;
    if (const auto s = SettingsStore().load()) {
        d.showLogo = s->showLogo;
        d.name = s->name;
        d.address = s->address;
        d.contactText = ClinicData::buildContactText(QStringList(s->lines.cbegin(), s->lines.cend()));
    }
    // A pipe in the logo's place would keep every report waiting.
    const QString logo = ProgramFolder::logoFile();
    if (QFileInfo(logo).isFile()) {
        QImageReader reader(logo);
        reader.setDecideFormatFromContent(true);
        d.logo = reader.read();
    }
    return d;
}
