#include "data/FileReplace.h"

#include <QFile>

#ifdef Q_OS_WIN
#include <QDir>
#include <qt_windows.h>
#else
#include <cerrno>
#include <cstdio>
#include <cstring>
#endif

namespace FileReplace {
bool replace(const QString& from, const QString& to, QString* error)
{
#ifdef Q_OS_WIN
    const std::wstring source = QDir::toNativeSeparators(from).toStdWString();
    const std::wstring target = QDir::toNativeSeparators(to).toStdWString();
    if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    if (error)
        *error = qt_error_string(int(GetLastError()));
    return false;
#else
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    if (error)
        *error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
#endif
}
} // namespace FileReplace
