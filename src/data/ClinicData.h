#pragma once
#include <QImage>
#include <QString>
#include <QStringList>

// What the printed reports take from the clinic's settings: the show-logo setting, the logo
// picture and the contact text (the non-empty lines of T1 to T6, each followed by CR LF).
struct ClinicData {
    bool showLogo = false;
    QImage logo;
    QString contactText;
    QString name;    // Theme.Name
    QString address; // Theme.Adress

    // Reads Theme.skn and MeravelLogo.jpg of the current program folder (ClinicStore::load).
    static ClinicData load();
    static QString buildContactText(const QStringList& t1ToT6);
};
