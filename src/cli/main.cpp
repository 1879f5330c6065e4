#include "cli/Cli.h"

#include <QGuiApplication>
#include <QDir>
#include <QFile>
#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    // Reports are painted with Qt's GUI classes; the tool needs no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        // Keeps Qt quiet about a missing runtime folder when run from cron or a service.
        const QString runtime = QDir::tempPath() + "/runtime-meravel-" + QString::number(getuid());
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    }
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QTextStream in(stdin);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);
    in.setEncoding(QStringConverter::Utf8);
    Cli::Io io{out, err, &in};
    return Cli::run(app.arguments().mid(1), io);
}
