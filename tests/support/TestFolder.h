#pragma once
#include <QString>
#include <QTemporaryDir>

// A fresh, complete program folder in a temporary directory, copied from the one the build
// lays out (databases, skins, workbook). It becomes the current program folder while the
// object lives; the database connections are closed on both ends.
class TestFolder {
public:
    TestFolder();
    ~TestFolder();
    bool isValid() const { return m_ok; }
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.path() + '/' + name; }

    // The program folder the build laid out (MERAVEL_TEMPLATE_FOLDER).
    static QString templateFolder();
    // Runs SQL on the main database of this folder (test set-up); false on error.
    bool exec(const QString& sql, QString* error = nullptr) const;
    // The first column of the first row of a query on the main database ("" when none).
    QString scalar(const QString& sql) const;
    // Whether the main database of this folder is on the test server, and its address.
    bool onServer() const { return !m_serverUrl.isEmpty(); }
    QString serverUrl() const { return m_serverUrl; }
    // Makes every write of the event (INSERT, UPDATE, DELETE) to the table fail with the
    // message, as a full disk or a refusing server would (a trigger, on either engine).
    bool refuseWrites(const QString& table, const QString& event, const QString& message) const;
    // Registers subjects directly (codes, with empty answer rows), for tests that need data.
    void addSubject(const QString& code, const QString& fname = "F", const QString& lname = "L") const;

private:
    bool useServer();
    QTemporaryDir m_dir;
    QString m_serverUrl;
    bool m_ok = false;
};
