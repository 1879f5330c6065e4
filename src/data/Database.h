#pragma once
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The two database files of the program folder. Each file has one SQLite connection per
// thread, shared by every record set on it; a write that belongs together runs inside one
// Transaction on that connection.
enum class DbFile { Main, Settings };

namespace Database {
// The path of the file in the current program folder.
QString pathOf(DbFile file);

// The open connection to the file, opened on first use. A missing file is never created:
// the result is then not open and *error names the missing file.
QSqlDatabase connection(DbFile file, QString* error = nullptr);
// A parenthesised list of SQL string literals ("('1','2')", quotes doubled; "(NULL)" when
// empty, which matches nothing): for a set of values too large to bind one by one.
QString quotedList(const QStringList& texts);

// Closes every connection this thread holds (before the backup window copies the file,
// or when a test lays out a new program folder).
void closeAll();
} // namespace Database

// All-or-nothing: rolls back unless commit() succeeded.
class Transaction {
public:
    explicit Transaction(DbFile file);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool isActive() const { return m_active; }
    bool commit(QString* error = nullptr);

private:
    QSqlDatabase m_db;
    bool m_active = false;
};
