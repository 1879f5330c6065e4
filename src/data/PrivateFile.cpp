#include "data/PrivateFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace PrivateFile {
namespace {
bool fail(QString* error, const QString& why)
{
    if (error)
        *error = why;
    return false;
}

std::filesystem::path fsPath(const QString& path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}
} // namespace

bool restrictToOwner(const QString& path)
{
    // QFile maps the owner bits onto the file's access list where there is no mode word.
    return QFile::setPermissions(path, OwnerOnly);
}

QString notARegularFileMessage(const QString& path)
{
    return QString::fromUtf8("مقصد يک فايل معمولي نيست (پيوند، دستگاه يا پوشه) و جايگزين نمي شود: ")
        + QDir::toNativeSeparators(path);
}

bool checkDestination(const QString& path, QString* error)
{
#ifdef Q_OS_WIN
    const DWORD attributes = GetFileAttributesW(
        reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(path).utf16()));
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD e = GetLastError();
        if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND)
            return true;
        return fail(error, notARegularFileMessage(path));
    }
    if (attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))
        return fail(error, notARegularFileMessage(path));
    return true;
#else
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? true : fail(error, QString::fromLocal8Bit(std::strerror(errno)));
    if (!S_ISREG(st.st_mode))
        return fail(error, notARegularFileMessage(path));
    return true;
#endif
}

bool syncFile(QFileDevice& file)
{
#ifdef Q_OS_WIN
    return ::_commit(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

void syncFolderOf(const QString& path)
{
#ifndef Q_OS_WIN
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(path);
#endif
}

Replacement::Replacement(const QString& destination)
    : m_destination(destination)
{
}

Replacement::~Replacement() = default;

bool Replacement::open(QString* error)
{
    if (m_destination.isEmpty())
        return fail(error, QStringLiteral("No file name given"));
    if (!checkDestination(m_destination, error))
        return false;
    const QFileInfo target(m_destination);
    // A hidden name in the destination's folder: the rename stays on one file system.
    // QTemporaryFile creates it exclusively, readable by its owner only.
    m_file = std::make_unique<QTemporaryFile>(target.absolutePath() + "/." + target.fileName() + ".XXXXXX");
    if (!m_file->open()) {
        const QString why = m_file->errorString();
        m_file.reset();
        return fail(error, why);
    }
    return true;
}

QFileDevice* Replacement::file() const { return m_file.get(); }

QString Replacement::temporaryPath() const { return m_file ? m_file->fileName() : QString(); }

bool Replacement::commit(QString* error, QFileDevice::Permissions permissions, bool synced)
{
    if (!m_file)
        return fail(error, QStringLiteral("No file was opened"));
    if (m_file->isOpen()) {
        if (!m_file->flush() || (!synced && !syncFile(*m_file)))
            return fail(error,
                        m_file->errorString().isEmpty() ? QString::fromLocal8Bit(std::strerror(errno))
                                                        : m_file->errorString());
        m_file->close();
    }
    if (!QFile::setPermissions(m_file->fileName(), permissions))
        return fail(error, m_file->errorString());
    // The destination may have changed while the file was written.
    if (!checkDestination(m_destination, error))
        return false;
    std::error_code ec;
    std::filesystem::rename(fsPath(m_file->fileName()), fsPath(m_destination), ec);
    if (ec)
        return fail(error, QString::fromLocal8Bit(ec.message().c_str()));
    m_file->setAutoRemove(false); // it is the destination now
    m_file.reset();
    syncFolderOf(m_destination);
    return true;
}
} // namespace PrivateFile
