#pragma once
#include <QDir>
#include <QFileInfo>
#include <QString>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <string>
#endif

// True in a Windows test run under wine, which keeps no access lists on the host's file
// systems: the checks of a file's access list are left to a real Windows there.
inline bool underWine()
{
#ifdef Q_OS_WIN
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
#else
    return false;
#endif
}

// The name under which the build machine's own programs (python3 with its spreadsheet
// libraries) reach a file. The Windows tests run under wine, where those programs are
// started as they are and take Unix names: wine gives the Unix name of a Windows path.
inline QString hostPath(const QString& path)
{
#ifdef Q_OS_WIN
    using UnixName = char*(__cdecl*)(const wchar_t*);
    static const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName)
        return path;
    const std::wstring native = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()).toStdWString();
    char* name = unixName(native.c_str());
    if (!name)
        return path;
    const QString result = QString::fromUtf8(name);
    HeapFree(GetProcessHeap(), 0, name);
    return result;
#else
    return path;
#endif
}
