#include "app/AppSetup.h"
#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/ProgramWindows.h"
#include "data/ProgramFolder.h"
#include "data/SingleInstance.h"
#include "update/UpdateServer.h"

#include <QApplication>
#include <cstdio>
#include <cstring>

namespace {
const char* const Usage = "Usage: meravel [--folder DIR]\n"
                          "       meravel --version\n\n"
                          "  --folder DIR  the program folder (default: the folder of meravel when it holds\n"
                          "                meravelDB.mdb, else the per-user data folder, filled from the\n"
                          "                installed templates on first use)\n";
}

int main(int argc, char** argv)
{
    // Answered before any window system is needed.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("meravel %s\n", ProgramVersion::Text);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(Usage, stdout);
            return 0;
        }
    }

    QApplication app(argc, argv);
    AppSetup::configure(app);

    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--folder") && i + 1 < args.size()) {
            ProgramFolder::setPath(args[++i]);
        } else if (args[i].startsWith(QLatin1String("--folder="))) {
            ProgramFolder::setPath(args[i].mid(9));
        } else {
            std::fprintf(stderr, "ignored argument %s\n", qPrintable(args[i]));
        }
    }
    const ProgramFolder::Choice folder = ProgramFolder::choose();
    if (!folder.ok()) {
        std::fprintf(stderr, "%s\n", folder.error.toLocal8Bit().constData());
        Dialogs::show(nullptr, folder.error, ProgramVersion::title(), MsgIcon::Critical);
        return 1;
    }
    if (!folder.notice.isEmpty()) {
        std::fprintf(stderr, "%s\n", folder.notice.toLocal8Bit().constData());
        Dialogs::show(nullptr, folder.notice, ProgramVersion::title(), MsgIcon::Information, MsgButtons::Ok, true);
    }

    SingleInstance instance;
    if (!instance.acquire()) {
        Dialogs::show(nullptr, QString::fromUtf8(AlreadyRunningText), "Warnnig", MsgIcon::Information);
        return 0;
    }
    if (!MainWindow::load(ProgramWindows::openers()))
        return 1;
    return app.exec();
}
