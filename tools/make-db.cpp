// Builds a delivered database file from schema SQL text and JSON row files.
//   make-db OUT.db SCHEMA.sql [TABLE=ROWS.json ...]
// ROWS.json is an array of objects, column name -> text.
#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <cstdio>

static int fail(const QString& what)
{
    std::fprintf(stderr, "make-db: %s\n", qPrintable(what));
    return 1;
}

static QStringList statements(const QString& sql)
{
    QStringList out;
    QString current;
    for (const QString& line : sql.split('\n')) {
        if (line.trimmed().startsWith("--"))
            continue;
        current += line + '\n';
        if (line.trimmed().endsWith(';')) {
            out << current.trimmed();
            current.clear();
        }
    }
    if (!current.trimmed().isEmpty())
        out << current.trimmed();
    return out;
}

static bool insertRows(QSqlDatabase& db, const QString& table, const QString& path, QString* error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = "cannot read " + path;
        return false;
    }
    QJsonParseError pe;
    const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &pe);
    if (!doc.isArray()) {
        *error = path + ": " + pe.errorString();
        return false;
    }
    for (const QJsonValue& v : doc.array()) {
        const QJsonObject row = v.toObject();
        QStringList cols, marks;
        for (auto it = row.begin(); it != row.end(); ++it) {
            cols << '"' + it.key() + '"';
            marks << "?";
        }
        QSqlQuery q(db);
        q.prepare(QString("INSERT INTO \"%1\" (%2) VALUES (%3)").arg(table, cols.join(','), marks.join(',')));
        for (auto it = row.begin(); it != row.end(); ++it)
            q.addBindValue(it.value().toString());
        if (!q.exec()) {
            *error = path + ": " + q.lastError().text();
            return false;
        }
    }
    return true;
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2)
        return fail("usage: make-db OUT SCHEMA.sql [TABLE=ROWS.json ...]");
    const QString out = args[0];
    QFile::remove(out);
    QFile schema(args[1]);
    if (!schema.open(QIODevice::ReadOnly))
        return fail("cannot read " + args[1]);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "make-db");
        db.setDatabaseName(out);
        if (!db.open())
            return fail(db.lastError().text());
        QSqlQuery(db).exec("PRAGMA journal_mode=DELETE");
        db.transaction();
        for (const QString& st : statements(QString::fromUtf8(schema.readAll()))) {
            QSqlQuery q(db);
            if (!q.exec(st))
                return fail(st.left(80) + ": " + q.lastError().text());
        }
        for (const QString& rowsArg : args.mid(2)) {
            const int eq = rowsArg.indexOf('=');
            QString error;
            if (eq <= 0 || !insertRows(db, rowsArg.left(eq), rowsArg.mid(eq + 1), &error))
                return fail(error.isEmpty() ? "bad argument " + rowsArg : error);
        }
        if (!db.commit())
            return fail(db.lastError().text());
        db.close();
    }
    QSqlDatabase::removeDatabase("make-db");
    return 0;
}
