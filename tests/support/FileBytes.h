#pragma once
#include <QByteArray>
#include <QFile>
#include <QString>

// A file's bytes ("<unreadable>" when it cannot be read), and a file written whole. Apart from
// the rest of the helpers so that the tests of the core and the workbook writers can use them.
inline QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

inline bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}
