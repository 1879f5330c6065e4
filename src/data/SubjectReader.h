#pragma once
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <memory>
#include <vector>

// The subjects (IDE) and their answer tables (S1 to S4) read row by row, in table order, as
// UTF-8 fields: what every reader of all subjects shares (the CSV and spreadsheet exports, the
// group summary, the reference group). Three ways under one interface, each the fastest its
// engine has:
//  - a file: SQLite's own statement on a read-only connection of the reader's own
//    (SqliteHandle), no conversion per value;
//  - a server: one COPY ... TO STDOUT streamed row by row (PgCopy::Reader);
//  - a server with values to bind (COPY takes none): a forward-only query through Qt, the
//    values bound, never pasted into the statement.
namespace SubjectReader {

// Which subjects: an SQL condition on IDE with its bound values (empty: all of them).
struct Filter {
    QString condition; // e.g. "\"Group\" = ?"
    QVariantList values;
};

// " WHERE condition", or nothing for all subjects.
QString where(const Filter& filter);

// One field of the current row: UTF-8 bytes, never null (a NULL reads as an empty field),
// valid until the next row.
struct Field {
    const char* data;
    int size;
    QString toString() const { return QString::fromUtf8(data, size); }
};

class Rows {
public:
    Rows();
    ~Rows();
    Rows(Rows&&) noexcept;
    Rows& operator=(Rows&&) noexcept;

    // SELECT columns FROM table [WHERE filter] ORDER BY rid on the main database. Names are
    // given as stored and quoted here. False with the reason when the rows cannot be read.
    bool open(const QString& table, const QStringList& columns, const Filter& filter, QString* error);
    bool isOpen() const { return bool(m_source); }
    // Lets go of the rows before their end (a server's copy is drained, see PgCopy::Reader).
    void close();
    // The next row; false at the end or on a failure (then error() says why).
    bool next();
    Field field(int column) const { return {m_texts[size_t(column)], m_sizes[size_t(column)]}; }
    int columns() const { return int(m_texts.size()); }
    QString error() const { return m_error; }
    // Whether next() may be called on another thread while the opening thread waits for it
    // (the file and a server's COPY; not a query through Qt, whose connection stays with its
    // thread).
    bool movable() const;

private:
    struct Source;
    std::unique_ptr<Source> m_source;
    std::vector<const char*> m_texts;
    std::vector<int> m_sizes;
    QString m_error;
};

// Hands every row to onRow until it returns false. False when the rows could not be read
// (*error says why) or when onRow stopped (*error is then left to onRow).
bool forEach(const QString& table, const QStringList& columns, const Filter& filter,
             const std::function<bool(const Rows&)>& onRow, QString* error);

// The number of subjects the filter selects, -1 on a database error.
qint64 count(const Filter& filter, QString* error = nullptr);

} // namespace SubjectReader
