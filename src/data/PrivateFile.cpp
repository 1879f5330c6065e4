#include "data/PrivateFile.h"

#include "data/FileReplace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <aclapi.h>
#include <io.h>
#include <string>
#include <vector>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace PrivateFile {

#ifdef Q_OS_WIN
namespace {
// The security identifier of the user this process runs as, in a buffer of its own.
std::vector<char> currentUser()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return {};
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<char> buffer(size);
    const bool ok = size > 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size);
    CloseHandle(token);
    return ok ? buffer : std::vector<char>();
}
} // namespace
#endif

namespace {
bool fail(QString* error, const QString& why)
{
    if (error)
        *error = why;
    return false;
}

} // namespace

bool restrictToOwner(const QString& path)
{
#ifdef Q_OS_WIN
    // Qt's permission bits only toggle the read-only attribute on Windows; the file's access
    // list is what keeps others out. It becomes one entry, full access for the current user,
    // protected from the rights the folder would pass on (a shared folder's "Users: read").
    const std::vector<char> user = currentUser();
    if (user.empty())
        return false;
    EXPLICIT_ACCESSW access{};
    access.grfAccessPermissions = GENERIC_ALL;
    access.grfAccessMode = SET_ACCESS;
    access.grfInheritance = NO_INHERITANCE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_USER;
    access.Trustee.ptstrName = reinterpret_cast<LPWSTR>(reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid);
    PACL acl = nullptr;
    if (SetEntriesInAclW(1, &access, nullptr, &acl) != ERROR_SUCCESS)
        return false;
    std::wstring native = QDir::toNativeSeparators(path).toStdWString();
    const DWORD rc = SetNamedSecurityInfoW(native.data(), SE_FILE_OBJECT,
                                           DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                           nullptr, acl, nullptr);
    LocalFree(acl);
    return rc == ERROR_SUCCESS;
#else
    return QFile::setPermissions(path, OwnerOnly);
#endif
}

bool restrictedToOwner(const QString& path)
{
#ifdef Q_OS_WIN
    std::wstring native = QDir::toNativeSeparators(path).toStdWString();
    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(native.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &acl, nullptr,
                              &descriptor)
        != ERROR_SUCCESS)
        return false;
    // Every entry of the list allows, and allows the current user alone.
    const std::vector<char> user = currentUser();
    bool only = acl && acl->AceCount >= 1 && !user.empty();
    for (DWORD i = 0; only && i < acl->AceCount; ++i) {
        void* ace = nullptr;
        only = GetAce(acl, i, &ace) && reinterpret_cast<ACE_HEADER*>(ace)->AceType == ACCESS_ALLOWED_ACE_TYPE
            && EqualSid(reinterpret_cast<PSID>(&reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart),
                        reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid);
    }
    LocalFree(descriptor);
    return only;
#else
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
        | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    return QFile::exists(path) && !(QFile::permissions(path) & others);
#endif
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
#ifdef Q_OS_WIN
    // The permission bits are only the read-only attribute there: the access list keeps others out.
    if (permissions == OwnerOnly && !restrictToOwner(m_file->fileName()))
        return fail(error, qt_error_string(int(GetLastError())));
#endif
    // The destination may have changed while the file was written.
    if (!checkDestination(m_destination, error))
        return false;
    // QTemporaryFile keeps its handle through close(), and on Windows an open handle forbids
    // the rename: the object goes first, and the file is renamed, or removed, here.
    const QString temporary = m_file->fileName();
    m_file->setAutoRemove(false);
    m_file.reset();
    QString replaceError;
    if (!FileReplace::replace(temporary, m_destination, &replaceError)) {
        QFile::remove(temporary);
        return fail(error, replaceError);
    }
    syncFolderOf(m_destination);
    return true;
}
} // namespace PrivateFile
