// check-update and download: the version check and the download control of the update
// windows, without windows.
#include "cli/Cli.h"
#include "update/FileDownloader.h"
#include "update/UpdateServer.h"
#include "update/UpdateTexts.h"
#include "update/VersionCheck.h"

#include <QEventLoop>
#include <QUrl>

#include <functional>

namespace {
// Runs an operation of the update code, which reports from the event loop, to its end: `begin`
// starts it and is handed what ends the wait. The tool has no window, so the loop of its own
// cannot re-enter one.
void runToEnd(const std::function<void(const std::function<void()>& end)>& begin)
{
    QEventLoop loop;
    bool ended = false;
    begin([&] {
        ended = true;
        loop.quit();
    });
    if (!ended)
        loop.exec();
}

int runCheckUpdate(const QStringList& args, Cli::Io& io)
{
    const Cli::Args a = Cli::parse(args, {"--server"}, {});
    if (!a.error.isEmpty() || !a.positional.isEmpty()) {
        io.err << (a.error.isEmpty() ? QStringLiteral("unexpected argument: ") + a.positional.first() : a.error) << "\n";
        return Cli::Usage;
    }
    if (a.options.contains("--server")) {
        // Only the scheme, host and port are taken; the file's path stays the program's own.
        const QUrl given(a.options.value("--server"), QUrl::StrictMode);
        if (!given.isValid() || given.scheme().isEmpty() || given.host().isEmpty()) {
            io.err << "malformed server address: " << a.options.value("--server") << "\n";
            return Cli::Usage;
        }
        QUrl server;
        server.setScheme(given.scheme());
        server.setHost(given.host());
        server.setPort(given.port());
        UpdateServer::setAddress(server.toString());
    }
    VersionCheck::Result r;
    QObject context;
    runToEnd([&](const std::function<void()>& end) {
        VersionCheck::checkAsync(&context, [&](const VersionCheck::Result& result) {
            r = result;
            end();
        });
    });
    UpdateServer::setAddress(QString());
    switch (r.outcome) {
    case VersionCheck::Outcome::Newer:
        io.out << "newer " << QString::number(r.number, 'g', 15) << "\n";
        return Cli::Success;
    case VersionCheck::Outcome::Latest:
        io.out << UpdateTexts::LatestVersion << "\n";
        return Cli::Success;
    case VersionCheck::Outcome::NotConfigured: io.err << UpdateTexts::NotConfigured << "\n"; return Cli::Failed;
    case VersionCheck::Outcome::NoConnection:
    case VersionCheck::Outcome::FetchFailed:
        break;
    }
    io.err << UpdateTexts::NoConnection << "\n";
    return Cli::Failed;
}

int runDownload(const QStringList& args, Cli::Io& io)
{
    const Cli::Args a = Cli::parse(args, {"--size", "--deadline"}, {});
    if (!a.error.isEmpty() || a.positional.size() != 2) {
        io.err << (a.error.isEmpty() ? QStringLiteral("usage: download URL DEST [--size BYTES] [--deadline SECONDS]")
                                     : a.error)
               << "\n";
        return Cli::Usage;
    }
    FileDownloader downloader;
    bool sizeOk = true, deadlineOk = true;
    const qint64 size = a.options.contains("--size") ? a.options.value("--size").toLongLong(&sizeOk) : 0;
    const int deadline = a.options.contains("--deadline") ? a.options.value("--deadline").toInt(&deadlineOk) : 0;
    if (!sizeOk || !deadlineOk || size < 0 || deadline < 0 || deadline > 24 * 3600) {
        io.err << "--size and --deadline take a whole number (bytes, seconds)\n";
        return Cli::Usage;
    }
    downloader.setExpectedSize(size);
    downloader.setDeadline(a.options.contains("--deadline") ? deadline * 1000 : FileDownloader::BySize);
    // Each event on its own line as it is raised; errors go to standard error.
    QObject::connect(&downloader, &FileDownloader::statusChanged, [&io](const QString& s) {
        io.out << "status: " << s << "\n";
        io.out.flush();
    });
    QObject::connect(&downloader, &FileDownloader::progress, [&io](const QString& p) {
        io.out << "progress: " << p << "\n";
        io.out.flush();
    });
    QObject::connect(&downloader, &FileDownloader::failed, [&io](const QString& e) {
        io.err << "error: " << e << "\n";
        io.err.flush();
    });
    QObject::connect(&downloader, &FileDownloader::downloadComplete, [&io] {
        io.out << "complete\n";
        io.out.flush();
    });
    bool complete = false;
    runToEnd([&](const std::function<void()>& end) {
        QObject::connect(&downloader, &FileDownloader::finished, [&complete, end](bool whole) {
            complete = whole;
            end();
        });
        downloader.start(a.positional[0], a.positional[1]);
    });
    return complete ? Cli::Success : Cli::Failed;
}
} // namespace

MERAVEL_CLI_COMMAND(Cli::Command{
    "check-update", "check-update [--server URL]",
    "Runs the version check against the update server (--server replaces its scheme, host and\n"
    "port). Prints \"newer\" and the number read from LastVersion.txt when a newer release exists,\n"
    "or the update window's message when there is none (exit 0). Without a connection, or when\n"
    "the fetch failed, prints the window's message for that (exit 1).",
    runCheckUpdate});

MERAVEL_CLI_COMMAND(Cli::Command{
    "download", "download URL DEST [--size BYTES] [--deadline SECONDS]",
    "Downloads URL into the file DEST with the program's download control, printing each event\n"
    "on its own line as it is raised: \"status: TEXT\", \"progress: P\", \"complete\" on standard\n"
    "output and \"error: TEXT\" on standard error. Exit 0 only when the whole body was received;\n"
    "a failed or cancelled download leaves no file at DEST. --size stops it as soon as more than\n"
    "BYTES arrive (or are announced), --deadline when it takes longer than SECONDS (0: no limit).\n"
    "Without --deadline the whole download may take a minute and a second for every 64 KiB the\n"
    "server announces. A partial DEST.part left by a killed run is removed by the next one.",
    runDownload});
