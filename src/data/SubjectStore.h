#pragma once
#include "data/Registration.h"
#include "data/Subject.h"
#include "records/SubjectSearch.h"

#include <QObject>
#include <QString>
#include <QVector>
#include <optional>

// The registered subjects (table IDE) of the current main database, file or server alike.
// Every read is one query on an index (the code's, or rid for the last row), so it stays
// instant with 100,000 subjects; only list() reads every row. A store holds no rows of its
// own: a window that wants to know when subjects change listens to changed(), and windows
// that should see each other's writes share one store.
class SubjectStore : public QObject {
    Q_OBJECT
public:
    explicit SubjectStore(QObject* parent = nullptr);

    // The proposal for a new code: the last registered code's leading number plus one
    // (Persian digits read as digits), raised past every code that is registered or still
    // has answer rows; "" when nobody is registered.
    QString nextCode(QString* error = nullptr) const;
    // Whether a subject with exactly this code is registered.
    bool exists(const QString& code, QString* error = nullptr) const;
    // Whether any subject is registered.
    bool isEmpty(QString* error = nullptr) const;
    // The first registered subject with the code; nothing when there is none (or on error).
    std::optional<Subject> load(const QString& code, QString* error = nullptr) const;
    // Every subject in registration (table) order.
    QVector<Subject> list(QString* error = nullptr) const;
    // The subjects matching every given criterion, as the look-up window finds them.
    QVector<SubjectSearch::Row> find(const SubjectSearch::Criteria& criteria, QString* error = nullptr) const;

    // What registerSubject() did: ok, or the field to focus and the message to show.
    struct Registered {
        bool ok = false;
        Registration::Field field = Registration::Field::None; // None: no field to focus
        QString message; // a self-closing message, or the database's error
        bool databaseError = false; // message is the database's error, not a refusal
    };
    // The registration panel's Save: Registration::check (fields in order, the date, a code
    // registered already), then the subject's IDE row and its four answer rows, all or
    // nothing (Registration::store). Emits changed() when the subject was stored.
    Registered registerSubject(const Registration::Subject& subject);
    // Stores the given IDE columns (stored names, matched without regard to case) of the
    // subject's first row; unknown columns refuse the write. Emits changed().
    bool update(const QString& code, const QHash<QString, QString>& columns, QString* error = nullptr);
    // Deletes the subject and its answer rows in one transaction (SubjectDeletion::remove):
    // a table without a row for the code leaves everything as it was. Emits changed().
    bool remove(const QString& code, QString* error = nullptr);

signals:
    // After a successful write through this store.
    void changed();
};
