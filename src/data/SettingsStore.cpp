#include "data/SettingsStore.h"

#include "data/BoundedQuery.h"
#include "data/Database.h"
#include "data/StoreColumns.h"

#include <QSqlQuery>

namespace {
const char* const kCheck = "Check1";

// The rid of Theme's first row; -1 when there is none (or on error, *error set).
qint64 firstRid(QSqlDatabase& db, QString* error)
{
    BoundedQuery q(db);
    if (!q.exec("SELECT min(rid) FROM \"Theme\"")) {
        StoreColumns::failed(q, error);
        return -1;
    }
    return q.next() && !q.value(0).isNull() ? q.value(0).toLongLong() : -1;
}

bool writeRow(const QStringList& columns, const QStringList& values, QString* error)
{
    QSqlDatabase db = Database::connection(DbFile::Settings, error);
    if (!db.isOpen())
        return false;
    QString readError;
    const qint64 rid = firstRid(db, &readError);
    if (!readError.isEmpty()) {
        if (error)
            *error = readError;
        return false;
    }
    QStringList quoted;
    for (const QString& c : columns)
        quoted << Database::quoted(c);
    BoundedQuery q(db);
    if (rid < 0)
        q.prepare("INSERT INTO \"Theme\" (" + quoted.join(", ") + ") VALUES ("
                  + QStringList(values.size(), "?").join(", ") + ")");
    else
        q.prepare("UPDATE \"Theme\" SET " + quoted.join(" = ?, ") + " = ? WHERE rid = " + QString::number(rid));
    for (const QString& v : values)
        q.addBindValue(v);
    return q.exec() || StoreColumns::failed(q, error);
}
} // namespace

const std::array<const char*, 8>& SettingsStore::textColumns()
{
    static const std::array<const char*, 8> columns = {"Name", "Adress", "T1", "T2", "T3", "T4", "T5", "T6"};
    return columns;
}

SettingsStore::SettingsStore(QObject* parent)
    : QObject(parent)
{
}

std::optional<SettingsStore::Settings> SettingsStore::load(QString* error) const
{
    QSqlDatabase db = Database::connection(DbFile::Settings, error);
    if (!db.isOpen())
        return std::nullopt;
    QStringList columns;
    for (const char* c : textColumns())
        columns << Database::quoted(c);
    BoundedQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec("SELECT " + columns.join(", ") + ", \"" + kCheck + "\" FROM \"Theme\" ORDER BY rid LIMIT 1")) {
        StoreColumns::failed(q, error);
        return std::nullopt;
    }
    if (!q.next())
        return std::nullopt;
    Settings s;
    for (int i = 0; i < int(textColumns().size()); ++i)
        s.text(i) = q.value(i).toString();
    s.showLogo = q.value(int(textColumns().size())).toString().trimmed() == "1";
    return s;
}

bool SettingsStore::save(const Settings& settings, QString* error)
{
    QStringList columns, values;
    for (int i = 0; i < int(textColumns().size()); ++i) {
        columns << textColumns()[i];
        values << settings.text(i);
    }
    columns << kCheck;
    values << (settings.showLogo ? "1" : "0");
    if (!writeRow(columns, values, error))
        return false;
    emit changed();
    return true;
}

bool SettingsStore::setShowLogo(bool on, QString* error)
{
    if (!writeRow({kCheck}, {on ? "1" : "0"}, error))
        return false;
    emit changed();
    return true;
}
