#pragma once
// Subjects with answers and totals for the backup tests, and a dump of every table to
// compare databases by content.
#include "TestFolder.h"
#include "data/Database.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

namespace BackupTestData {
// Registers codes first..first+count-1 with some ticked answers, ratings and totals, in one
// transaction (fast even with synchronous writes).
inline void addSubjects(const TestFolder& f, int first, int count)
{
    f.exec("BEGIN");
    for (int i = first; i < first + count; ++i) {
        const QString code = QString::number(i);
        f.addSubject(code, QStringLiteral("F%1").arg(i), QStringLiteral("L%1").arg(i));
        f.exec(QStringLiteral("UPDATE \"S1\" SET \"v1\"='1', \"J%1\"='1', \"H3\"='%2' WHERE \"Code\"='%3'")
                   .arg(1 + i % 11)
                   .arg(i % 2)
                   .arg(code));
        f.exec(
            QStringLiteral("UPDATE \"S2\" SET \"a2\"='1', \"M%1\"='1' WHERE \"Code\"='%2'").arg(1 + i % 11).arg(code));
        f.exec(
            QStringLiteral("UPDATE \"S3\" SET \"G%1\"='1', \"v14\"='1' WHERE \"Code\"='%2'").arg(1 + i % 14).arg(code));
        f.exec(QStringLiteral("UPDATE \"S4\" SET \"V1\"='%1', \"J2\"='%2', \"G1\"='7' WHERE \"Code\"='%3'")
                   .arg(1 + i % 7)
                   .arg(1 + (i + 3) % 7)
                   .arg(code));
        f.exec(QStringLiteral("UPDATE \"IDE\" SET \"V\"='%1', \"J\"='%2', \"H\"='%3', \"A\"='%4', \"M\"='%5', "
                              "\"GH\"='%6' WHERE \"Code\"='%7'")
                   .arg(i % 50)
                   .arg((i * 3) % 50)
                   .arg((i * 7) % 50)
                   .arg((i * 11) % 50)
                   .arg((i * 13) % 50)
                   .arg((i * 17) % 50)
                   .arg(code));
    }
    f.exec("COMMIT");
}

// Every row of IDE, S1 to S4 and type1, in order, one line per row.
inline QStringList dump()
{
    QStringList rows;
    QSqlDatabase db = Database::connection(DbFile::Main);
    for (const char* table : {"IDE", "S1", "S2", "S3", "S4", "type1"}) {
        QSqlQuery q(db);
        q.exec(QStringLiteral("SELECT * FROM %1 ORDER BY rid").arg(QLatin1String(table)));
        while (q.next()) {
            QStringList cells{QLatin1String(table)};
            for (int c = 0; c < q.record().count(); ++c)
                cells << q.value(c).toString();
            rows << cells.join('|');
        }
    }
    return rows;
}
} // namespace BackupTestData
