// check-update, update and download: the version check, the signed download of a release and
// the download control of the update windows, without windows.
#include "cli/Cli.h"
#include "update/FileDownloader.h"
#include "update/HttpFetch.h"
#include "update/ReleaseManifest.h"
#include "update/SetupSignature.h"
#include "update/UpdateServer.h"
#include "update/UpdateTexts.h"
#include "update/VersionCheck.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
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
    // Named, so that it outlives `begin`: the operation calls it from the loop, later.
    const std::function<void()> end = [&] {
        ended = true;
        loop.quit();
    };
    begin(end);
    if (!ended)
        loop.exec();
}

// --server replaces the update server's scheme, host and port for one command; the file's
// path stays the program's own. False, with the message printed, when the address is malformed.
bool takeServer(const Cli::Args& a, Cli::Io& io)
{
    if (!a.options.contains("--server"))
        return true;
    const QUrl given(a.options.value("--server"), QUrl::StrictMode);
    if (!given.isValid() || given.scheme().isEmpty() || given.host().isEmpty()) {
        io.err << "malformed server address: " << a.options.value("--server") << "\n";
        return false;
    }
    QUrl server;
    server.setScheme(given.scheme());
    server.setHost(given.host());
    server.setPort(given.port());
    UpdateServer::setAddress(server.toString());
    return true;
}

// Returns to the built-in update server when the command ends, however it ends.
struct ServerScope {
    ~ServerScope() { UpdateServer::setAddress(QString()); }
};

bool checkArgs(const Cli::Args& a, Cli::Io& io)
{
    if (a.error.isEmpty() && a.positional.isEmpty())
        return true;
    io.err << (a.error.isEmpty() ? QStringLiteral("unexpected argument: ") + a.positional.first() : a.error) << "\n";
    return false;
}

VersionCheck::Result checkNow()
{
    VersionCheck::Result r;
    QObject context;
    runToEnd([&](const std::function<void()>& end) {
        VersionCheck::checkAsync(&context, [&](const VersionCheck::Result& result) {
            r = result;
            end();
        });
    });
    return r;
}

HttpFetch::Result fetchNow(const QUrl& url, qint64 maxBytes)
{
    HttpFetch::Result r;
    QObject context;
    runToEnd([&](const std::function<void()>& end) {
        HttpFetch::getAsync(
            url, &context,
            [&](const HttpFetch::Result& result) {
                r = result;
                end();
            },
            10000, maxBytes);
    });
    return r;
}

// Prints what the version check found, as the update window shows it.
int printCheck(const VersionCheck::Result& r, Cli::Io& io)
{
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

int runCheckUpdate(const QStringList& args, Cli::Io& io)
{
    const Cli::Args a = Cli::parse(args, {"--server"}, {});
    if (!checkArgs(a, io))
        return Cli::Usage;
    const ServerScope scope;
    if (!takeServer(a, io))
        return Cli::Usage;
    return printCheck(checkNow(), io);
}

// The release manifest and its signature from the update server, checked against the release
// key: only a release its maker signed, newer than this program, is downloaded at all.
bool fetchManifest(ReleaseManifest::Manifest* manifest, Cli::Io& io)
{
    const QString address = ReleaseManifest::address();
    const HttpFetch::Result text = fetchNow(QUrl(address), ReleaseManifest::MaxBytes + 1);
    const HttpFetch::Result signature = text.ok
        ? fetchNow(QUrl(ReleaseManifest::signatureAddress(address)), SetupSignature::SignatureSize + 1)
        : text;
    if (!signature.ok) {
        io.err << "error: " << signature.error << "\n";
        return false;
    }
    return ReleaseManifest::verify(text.body, signature.body, SetupSignature::publicKey(),
                                   VersionCheck::ownComparisonNumber(), manifest)
        == ReleaseManifest::Verdict::Accepted;
}

int runUpdate(const QStringList& args, Cli::Io& io)
{
    const Cli::Args a = Cli::parse(args, {"--server"}, {"--silent"});
    if (!checkArgs(a, io))
        return Cli::Usage;
    const ServerScope scope;
    if (!takeServer(a, io))
        return Cli::Usage;
    const VersionCheck::Result check = checkNow();
    const int checked = printCheck(check, io);
    if (check.outcome != VersionCheck::Outcome::Newer)
        return checked;
    ReleaseManifest::Manifest manifest;
    if (!fetchManifest(&manifest, io)) {
        io.err << UpdateTexts::BadSignature << "\n";
        return Cli::Failed;
    }
    // A fresh folder only this user can write, so nobody can swap the file between its check
    // and its start; it stays behind the set-up program, which runs on after this command.
    QTemporaryDir folder;
    if (!folder.isValid()) {
        io.err << "error: " << folder.errorString() << "\n";
        return Cli::Failed;
    }
    folder.setAutoRemove(false);
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString setup = folder.path() + '/' + UpdateServer::GetFileName(UpdateServer::setupAddress());
    bool complete = false;
    {
        // The downloader lets go of the file when it goes, before the file is checked (and, on
        // Windows, before a refused one can be removed: an open file cannot be).
        FileDownloader downloader;
        // Nothing beyond the signed size is taken, and a trickling server does not hold the
        // command for ever.
        downloader.setExpectedSize(manifest.size);
        downloader.setDeadline(30 * 60 * 1000);
        QObject::connect(&downloader, &FileDownloader::failed,
                         [&io](const QString& e) { io.err << "error: " << e << "\n"; });
        runToEnd([&](const std::function<void()>& end) {
            QObject::connect(&downloader, &FileDownloader::finished, [&complete, end](bool whole) {
                complete = whole;
                end();
            });
            downloader.start(UpdateServer::setupAddress(), setup);
        });
    }
    if (!complete) {
        folder.remove();
        return Cli::Failed;
    }
    // These are the bytes that run.
    if (!ReleaseManifest::fileMatches(setup, manifest)) {
        folder.remove();
        io.err << UpdateTexts::BadSignature << "\n";
        return Cli::Failed;
    }
#ifdef Q_OS_WIN
    const QStringList setupArgs = a.flags.contains("--silent") ? QStringList{"/S"} : QStringList();
    if (!QProcess::startDetached(setup, setupArgs, folder.path())) {
        folder.remove();
        io.err << "the set-up program could not be started: " << QDir::toNativeSeparators(setup) << "\n";
        return Cli::Failed;
    }
    io.out << "started: " << QDir::toNativeSeparators(setup) << "\n";
#else
    // A Windows set-up program cannot run here: it is left, checked, for whoever runs it.
    io.out << "downloaded: " << setup << "\n";
#endif
    return Cli::Success;
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

MERAVEL_CLI_COMMAND(Cli::Command{
    "update", "update [--server URL] [--silent]",
    "Updates the program as the update and download windows do: the version check (--server as\n"
    "for check-update), then the release manifest and its signature, checked against the\n"
    "release key built into the program; only a signed release newer than this program is\n"
    "downloaded, into a fresh private temporary folder, and started (on Windows) only when its\n"
    "size and SHA-256 match the manifest. --silent starts the set-up program with /S, so it\n"
    "installs without its pages (a computer room). Prints the version check's line, then\n"
    "\"started: PATH\" (elsewhere than on Windows \"downloaded: PATH\", nothing started); a\n"
    "refused release prints the download window's message and leaves nothing behind (exit 1).",
    runUpdate});
