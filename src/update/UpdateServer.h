#pragma once
#include "data/Version.h"

#include <QString>
#include <QUrl>

// The program's own version and the addresses it fetches its updates from.
namespace ProgramVersion {
// "Meravel"
QString title();
// "Meravel 2.5" (title, blank, Major.Minor): the caption of the update window and its version label.
QString titleWithVersion();
} // namespace ProgramVersion

namespace UpdateServer {
// The update server: one address for the version file, the release manifest and the set-up
// program. Plain HTTP, because the version file is public; the set-up program is trusted only
// through the signed release manifest (ReleaseManifest). The build gives it
// (MERAVEL_UPDATE_SERVER); without one it is empty and nothing is ever fetched.
QString address();
bool isConfigured();
// Replaces the address (tests point it at their own server; the companion tool's --server).
// An empty text returns to the built-in address.
void setAddress(const QString& address);

QUrl versionFileUrl(); // address + "/Soft/Meravel/LastVersion.txt" (empty when none is configured)
QString setupAddress(); // address + "/Soft/Meravel/setup-Meravel.exe" (the same)

// The file name of a set-up address, the way the download window takes it: the last path
// segment of an address that begins with "http://" (case-sensitive), provided the segment
// holds a full stop before its last character; anything else gives an empty text.
QString GetFileName(const QString& address);
} // namespace UpdateServer
