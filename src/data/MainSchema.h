#pragma once
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVector>

// The tables of the main database, as the delivered schema defines them, on either engine.
namespace MainSchema {
struct Table {
    QString name;
    QStringList columns; // in order, rid first
};
// IDE, S1 to S4, type1, in that order (Database::programTables()).
const QVector<Table>& tables();

// How a database's tables compare with the program's.
enum class State { Empty, Ready, Different };
// Empty: none of the program's tables exists; Ready: all exist with exactly the program's
// columns (names and case); Different otherwise, with the differences in *detail.
State check(const QSqlDatabase& db, QString* detail = nullptr);

// Creates the program's tables on an empty server database: the same columns as the file,
// every value text, rid numbered by the server, a unique subject code in IDE, the indexes of
// the file, and the type descriptions in type1. One transaction.
bool createOnServer(const QSqlDatabase& db, QString* error);
// Creates the program's tables in an empty SQLite database without any row (the form of a
// backup file).
bool createInFile(const QSqlDatabase& db, QString* error);
} // namespace MainSchema
