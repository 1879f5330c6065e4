#pragma once
#include <QString>

// The engine a test run keeps the main database on. The test command starts a private
// PostgreSQL server and gives its address in MERAVEL_TEST_PG_URL; a test registered for both
// engines runs a second time with MERAVEL_TEST_ENGINE=postgresql, and every TestFolder of that
// run then keeps its main database on the server (a database of its own per test process).
namespace TestServer {
// A run that wants the server (engineIsServer()) when none was given exits with this status
// before its first test function: ctest counts it as skipped.
constexpr int SkipExitCode = 77;
bool engineIsServer(); // this run keeps the main database on the server
QString adminUrl(); // MERAVEL_TEST_PG_URL, "" when no server was given
// The address of this process's own database on the server, created on first use and dropped
// when the process ends; "" (with *error) when it cannot be made.
QString processDatabaseUrl(QString* error = nullptr);
// The address of another database of this process ("suffix" distinguishes them), empty, created
// on first use.
QString extraDatabaseUrl(const QString& suffix, QString* error = nullptr);
// Removes every table of the database at url (a fresh start for the next fixture).
bool resetDatabase(const QString& url, QString* error = nullptr);
} // namespace TestServer

#define MERAVEL_REQUIRE_SERVER_URL()                                                                                   \
    do {                                                                                                               \
        if (TestServer::adminUrl().isEmpty())                                                                          \
            QSKIP("No PostgreSQL server given (MERAVEL_TEST_PG_URL); the test command starts one");                    \
    } while (0)
