#include "data/PrivateFile.h"

#include <QFile>

#ifdef Q_OS_WIN
#include <QDir>
#include <qt_windows.h>
#include <aclapi.h>
#include <string>
#include <vector>
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
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    bool only = acl && GetSecurityDescriptorControl(descriptor, &control, &revision) && (control & SE_DACL_PROTECTED)
        && acl->AceCount == 1;
    const std::vector<char> user = currentUser();
    if (only && !user.empty()) {
        void* ace = nullptr;
        only = GetAce(acl, 0, &ace) && reinterpret_cast<ACE_HEADER*>(ace)->AceType == ACCESS_ALLOWED_ACE_TYPE
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
} // namespace PrivateFile
