#pragma once
#include <QFileDevice>
#include <QString>

#include <memory>

class QTemporaryFile;

// Files that hold the clinic's personal data (backups, safety copies, exports, reports,
// downloads) are readable and writable by their owner only.
namespace PrivateFile {
// Owner read and write, nothing for anyone else (0600 on POSIX).
constexpr QFileDevice::Permissions OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// Restricts an existing file to its owner: mode 0600 on POSIX, an access list of the current
// user alone on Windows. False when the permissions could not be set.
bool restrictToOwner(const QString& path);

// True when no one but the owner may read or write the file (as restrictToOwner leaves it).
bool restrictedToOwner(const QString& path);

// Whether the program may replace `path`: it does not exist yet, or it is a regular file. A
// symbolic link (or another reparse point), a device, a pipe, a socket or a folder is refused
// with the message in *error: replacing a device would take it away from every process
// using it, and a link would be either written through or replaced.
bool checkDestination(const QString& path, QString* error = nullptr);
// The refusal of such a destination (Persian, then the path).
QString notARegularFileMessage(const QString& path);

// Flushes a written file to the disk.
bool syncFile(QFileDevice& file);
// Makes a rename in the folder of `path` survive a power cut (nothing to do on Windows).
void syncFolderOf(const QString& path);

// Writing a file by replacing it, the one way every writer of the program does it: the bytes
// go to a temporary file beside the destination, owner-readable only from its first byte,
// which is flushed to disk and renamed over the destination only when complete. A failure
// at any step, or a Replacement dropped without commit(), leaves the destination as it was
// and no temporary file behind. The destination is checked (checkDestination) on open() and
// again just before the rename.
class Replacement {
public:
    explicit Replacement(const QString& destination);
    ~Replacement();
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;

    // Checks the destination and creates the temporary file, open for writing.
    bool open(QString* error = nullptr);
    // The temporary file (valid after a successful open()).
    QFileDevice* file() const;
    QString temporaryPath() const;
    // Flushes and syncs the temporary file (unless `synced`: the caller did), gives it
    // `permissions`, checks the destination again and renames it into place.
    bool commit(QString* error = nullptr, QFileDevice::Permissions permissions = OwnerOnly, bool synced = false);

private:
    QString m_destination;
    std::unique_ptr<QTemporaryFile> m_file;
};
} // namespace PrivateFile
