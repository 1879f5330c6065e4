#include "cli/Cli.h"
#include "data/Database.h"
#include "data/DbTransfer.h"
#include "data/MainSchema.h"

namespace {
int init(const QStringList& rest, Cli::Io& io)
{
    if (!rest.isEmpty()) {
        io.err << "db init takes no arguments\n";
        return Cli::Usage;
    }
    const DbLocation where = Database::mainLocation();
    if (!where.isServer()) {
        io.err << "db init sets up a PostgreSQL server: give it with --database URL or database.conf\n";
        return Cli::Usage;
    }
    QString error;
    ScopedConnection server(where, &error);
    if (!server.isOpen()) {
        io.err << QString(error).replace(QStringLiteral("\r\n"), QStringLiteral(" ")) << "\n";
        return Cli::Failed;
    }
    QString detail;
    switch (MainSchema::check(server.db(), &detail)) {
    case MainSchema::State::Ready:
        io.out << where.display() << " holds the program's tables already\n";
        return Cli::Success;
    case MainSchema::State::Different:
        io.err << where.display() << " holds tables that differ from the program's: " << detail << "\n";
        return Cli::Failed;
    case MainSchema::State::Empty: break;
    }
    if (!MainSchema::createOnServer(server.db(), &error)) {
        io.err << error << "\n";
        return Cli::Failed;
    }
    io.out << "The program's tables were created on " << where.display() << "\n";
    return Cli::Success;
}

int copy(const QStringList& rest, Cli::Io& io)
{
    const Cli::Args a = Cli::parse(rest, {"--from", "--to"}, {"--replace"});
    if (!a.error.isEmpty() || !a.positional.isEmpty() || !a.options.contains("--from") || !a.options.contains("--to")
        || a.options.value("--from").isEmpty() || a.options.value("--to").isEmpty()) {
        io.err << (a.error.isEmpty() ? QStringLiteral("db copy needs --from SRC and --to DST") : a.error) << "\n";
        return Cli::Usage;
    }
    const DbLocation from = DbLocation::fromText(a.options.value("--from"));
    const DbLocation to = DbLocation::fromText(a.options.value("--to"));
    for (const DbLocation* l : {&from, &to})
        if (!l->problem.isEmpty()) {
            io.err << l->problem << "\n";
            return Cli::Usage;
        }
    const DbTransfer::Result r = DbTransfer::copy(from, to, a.flags.contains("--replace"));
    if (r.outcome != DbTransfer::Outcome::Done) {
        io.err << QString(r.detail).replace(QStringLiteral("\r\n"), QStringLiteral(" ")) << "\n";
        return Cli::Failed;
    }
    io.out << r.subjects << " subjects copied to " << to.display() << "\n";
    return Cli::Success;
}

int run(const QStringList& args, Cli::Io& io)
{
    if (args.isEmpty()) {
        io.err << "db needs init or copy\n";
        return Cli::Usage;
    }
    if (args.first() == "init")
        return init(args.mid(1), io);
    if (args.first() == "copy")
        return copy(args.mid(1), io);
    io.err << "unknown db command " << args.first() << "\n";
    return Cli::Usage;
}
} // namespace

MERAVEL_CLI_COMMAND(Cli::Command{
    "db",
    "db init | db copy --from SRC --to DST [--replace]",
    "db init (with --database URL or the folder's database.conf) creates the program's tables on\n"
    "an empty PostgreSQL database: the columns of the file, a unique subject code, the type\n"
    "descriptions. A database whose tables differ is refused; one set up already is left alone.\n"
    "db copy copies the main database between a SQLite file (.mdb, .mdbB) and a PostgreSQL\n"
    "address (postgresql://user@host:port/dbname), either way, in one transaction. A file that\n"
    "does not exist is created; a destination that holds subjects is refused unless --replace.\n"
    "Passwords come from the PostgreSQL password file (~/.pgpass) or PGPASSWORD.",
    run,
});
