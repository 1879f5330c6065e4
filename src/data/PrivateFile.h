#pragma once
#include <QFileDevice>
#include <QString>

// Files that hold the clinic's personal data (backups, safety copies, exports, downloads)
// are readable and writable by their owner only.
namespace PrivateFile {
// Owner read and write, nothing for anyone else (0600 on POSIX).
constexpr QFileDevice::Permissions OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// Restricts an existing file to its owner: mode 0600 on POSIX, an access list of the current
// user alone on Windows. False when the permissions could not be set.
bool restrictToOwner(const QString& path);

// True when no one but the owner may read or write the file (as restrictToOwner leaves it).
bool restrictedToOwner(const QString& path);
} // namespace PrivateFile
