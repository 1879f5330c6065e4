#include "cli/Cli.h"
#include "data/QtTranslation.h"
#include "update/UpdateServer.h"

#include <QGuiApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

int main(int argc, char** argv)
{
#ifdef Q_OS_WIN
    // The tool writes UTF-8: a console shows it as such; a file or a pipe receives it as it is.
    SetConsoleOutputCP(CP_UTF8);
    SetConsoleCP(CP_UTF8);
#endif
    // Reports are painted with Qt's GUI classes; the tool needs no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Keeps Qt quiet about a missing runtime folder when run from cron or a service. The
    // folder is a fresh one only this user can enter (never a predictable name another user
    // could create first), removed when the tool ends.
    std::unique_ptr<QTemporaryDir> runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        runtime = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/meravel-runtime-XXXXXX");
        if (runtime->isValid()) {
            QFile::setPermissions(runtime->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime->path()));
        }
    }
    QGuiApplication app(argc, argv);
    // The per-user data folder is named after the program, not after this executable.
    QCoreApplication::setApplicationName(ProgramVersion::title());
    // Qt's own texts in Persian, as in the program.
    QtTranslation::load(app);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QTextStream in(stdin);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);
    in.setEncoding(QStringConverter::Utf8);
    Cli::Io io{out, err, &in};
    return Cli::run(app.arguments().mid(1), io, Cli::FolderChoice::Choose);
}
