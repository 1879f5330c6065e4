#pragma once
#include "data/InterestTypes.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <array>
#include <optional>

// A subject's answers: the rows of S1 to S4 (ticks of the questionnaire's three parts, then
// the ratings) and the six totals kept in IDE, on the file or the server alike.
class AnswerStore : public QObject {
    Q_OBJECT
public:
    // One map per table S1..S4 (index 0..3): column name -> text. Reading gives every column
    // of the row as stored (Code and rid too); writing takes only the columns to change, their
    // names matched without regard to case.
    using Rows = std::array<QHash<QString, QString>, 4>;
    using Six = std::array<int, InterestTypes::Count>; // the same type as Totals::Six

    struct Answers {
        Rows rows; // a missing row reads as an empty map
        std::array<QString, InterestTypes::Count> totals{}; // IDE's V..GH as stored
        bool registered = false; // the code has an IDE row
    };

    // What save() writes, all in one transaction.
    struct Write {
        Rows rows; // the columns to store in each table
        std::optional<Six> totals; // the totals to store in IDE
        bool totalsFromStored = false; // instead: the totals of the rows as they are after the write
        QHash<QString, QString> subject; // IDE columns stored with them (the test window's header)
    };

    explicit AnswerStore(QObject* parent = nullptr);

    // The subject's four answer rows (the first row per table) and stored totals.
    Answers load(const QString& code, QString* error = nullptr) const;
    // The four rows alone, on the main connection, so a caller's transaction sees its writes.
    static Rows readRows(const QString& code, QString* error = nullptr);

    // Stores the answers and totals in ONE transaction: the subject's missing answer rows are
    // added, every given column written, the totals stored; on any failure nothing is
    // written. Emits changed() after the commit.
    bool save(const QString& code, const Rows& answers, const Six& totals, QString* error = nullptr);
    bool save(const QString& code, const Write& write, QString* error = nullptr);
    // Adds the subject's missing (empty) answer rows, all four or none (the test window's
    // opening). Emits changed() when it added any.
    bool ensureRows(const QString& code, QString* error = nullptr);

signals:
    // After a successful write through this store.
    void changed();
};
