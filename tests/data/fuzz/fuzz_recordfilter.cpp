// libFuzzer target for the record set's filter expressions: any bytes as an expression
// ("code='7'"), read by the parse alone and then applied to a record set over a small table.
// Besides crashes it checks that the parse reads back what it wrote, and that the filtered
// record set shows exactly the rows whose column equals the value (nothing injected).
#include "data/Database.h"
#include "data/ProgramFolder.h"
#include "data/RecordSet.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QStringList>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {
void checkParse(const QString& expression)
{
    QString column, value;
    if (!RecordSet::parseFilter(expression, &column, &value))
        return;
    if (column.isEmpty())
        abort();
    QString column2, value2;
    if (!RecordSet::parseFilter(column + "='" + value + "'", &column2, &value2) || column2 != column || value2 != value)
        abort();
}

// A program folder with one small table, made once.
bool prepare()
{
    static int argc = 1;
    static char name[] = "fuzz_recordfilter";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    static QTemporaryDir* dir = new QTemporaryDir;
    Q_UNUSED(app);
    if (!dir->isValid())
        return false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "fuzz-setup");
        db.setDatabaseName(dir->filePath("meravelDB.mdb"));
        if (!db.open())
            return false;
        QSqlQuery q(db);
        q.exec("CREATE TABLE T (rid INTEGER PRIMARY KEY AUTOINCREMENT, Code TEXT, LName TEXT, \"group\" TEXT)");
        q.exec("INSERT INTO T (Code, LName, \"group\") VALUES ('1', 'a''b', 'A'), ('2', '', NULL), "
               "('1'' OR ''1''=''1', '%', 'A'), ('7', '\xd8\xb1\xd8\xb6\xd8\xa7\xdb\x8c\xdb\x8c', '\xd9\xa1')");
        db.close();
    }
    QSqlDatabase::removeDatabase("fuzz-setup");
    ProgramFolder::setPath(dir->path());
    return true;
}

qint64 expectedRows(const QString& column, const QString& value)
{
    static const QStringList columns{"Code", "LName", "group"};
    for (const QString& c : columns) {
        if (c.compare(column, Qt::CaseInsensitive) != 0)
            continue;
        QSqlQuery q(Database::connection(DbFile::Main));
        q.prepare("SELECT count(*) FROM T WHERE \"" + c + "\" = ?");
        q.addBindValue(value);
        if (!q.exec() || !q.next())
            abort();
        return q.value(0).toLongLong();
    }
    return 0; // an unknown column matches nothing
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = prepare();
    if (!ready)
        abort();
    const QString expression = QString::fromUtf8(reinterpret_cast<const char*>(data), int(size));
    checkParse(expression);
    QString utf16(int(size / 2), Qt::Uninitialized);
    if (size >= 2)
        memcpy(utf16.data(), data, (size / 2) * 2);
    checkParse(utf16);

    static RecordSet* rs = [] {
        auto* set = new RecordSet;
        if (!set->open(DbFile::Main, "SELECT * FROM T"))
            abort();
        return set;
    }();
    QString column, value;
    const bool parsed = RecordSet::parseFilter(expression, &column, &value);
    const qint64 expected = parsed ? expectedRows(column, value) : 0;
    rs->filter(expression);
    if (rs->rowCount() != expected || rs->hasCurrent() != (expected > 0))
        abort();
    if (expected > 0 && rs->value(column) != value)
        abort();
    rs->clearFilter();
    if (rs->rowCount() != 4)
        abort();
    return 0;
}
