#pragma once
#include "data/ClinicData.h"

#include <QObject>

class SettingsStore;

// The clinic's details as the printed reports take them (ClinicData): the settings row and the
// logo file of the current program folder.
class ClinicStore : public QObject {
    Q_OBJECT
public:
    // With a settings store, changed() follows its writes too.
    explicit ClinicStore(SettingsStore* settings = nullptr, QObject* parent = nullptr);

    // The show-logo setting, name, address and contact text of Theme.skn, and the logo
    // MeravelLogo.jpg (its format recognised from its content; only a regular file is read).
    ClinicData load() const;

signals:
    // After the settings store given at construction wrote.
    void changed();
};
