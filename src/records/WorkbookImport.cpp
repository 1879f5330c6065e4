#include "records/WorkbookImport.h"

#include "data/AnswerTables.h"
#include "data/BoundedQuery.h"
#include "data/Database.h"
#include "data/PersianText.h"
#include "data/Messages.h"
#include "questionnaire/AnswerColumns.h"
#include "questionnaire/Totals.h"
#include "records/WorkbookReader.h"

#include <QSqlError>
#include <QSqlQuery>

namespace WorkbookImport {
const char* const SheetName = "Answers";
const char* const MarkerCell = "Z3";
const char* const MarkerText = "Meravel";
const char* const BlankWorkbook = "Meravel-Excel.xlsx";

namespace {
const QString NoCodeMessage = QString::fromUtf8(Messages::NoCode);
const QString NotFoundMessage = QString::fromUtf8(Messages::SubjectNotFound);
const QString NoFileMessage = QStringLiteral(" عمليات با مشکل مواجه شده است ");
const QString NotLoadableMessage = QStringLiteral(" فايل انتخاب شده قابل بارگذاري نيست ");
const QString StoredMessage = QStringLiteral("  داده ها با موفقيت وارد سيستم شدند ");
// Names the refused rating cell under the "Error A1" text.
const QString RatingCellMessage = QStringLiteral("خانه\u200cی %1 باید خالی یا عددی از 1 تا 7 باشد");

// First row of each type's block: S1 and S2 blocks are 11 rows plus one skipped, S3 blocks 14 plus one.
constexpr int FirstRow[3] = {3, 75, 147};
constexpr int BlockStep[3] = {12, 12, 15};
constexpr int RatingRow[2] = {237, 244};

bool queryFailed(BoundedQuery& q, QString* error)
{
    if (q.exec())
        return false;
    if (error)
        *error = q.lastError().text();
    return true;
}

Result refuse(Result::Status status, const QString& text, const QString& caption, Box::Icon icon,
              const QString& detail = QString())
{
    Result r;
    r.status = status;
    r.detail = detail;
    r.box = {text, caption, icon};
    return r;
}
} // namespace

int answerRow(int table, int type, int item)
{
    if (type < 0 || type >= AnswerColumns::TypeCount || table < AnswerTables::First || table > AnswerTables::Last || item < 1
        || item > AnswerColumns::itemsPerType(table))
        return 0;
    if (table == AnswerTables::S4)
        return RatingRow[item - 1] + type;
    return FirstRow[table - 1] + BlockStep[table - 1] * type + item - 1;
}

QString answerCell(int table, int type, int item)
{
    const int row = answerRow(table, type, item);
    return row ? "C" + QString::number(row) : QString();
}

QStringList cellsRead()
{
    QStringList cells{MarkerCell};
    for (int table = AnswerTables::First; table <= AnswerTables::Last; ++table)
        for (int t = 0; t < AnswerColumns::TypeCount; ++t)
            for (int k = 1; k <= AnswerColumns::itemsPerType(table); ++k)
                cells << answerCell(table, t, k);
    return cells;
}

bool cellTicks(const QString& value)
{
    bool ok = false;
    const double n = PersianText::foldDigits(value.trimmed()).toDouble(&ok);
    return ok && n == 1.0;
}

bool ratingAcceptable(const QString& value, QString* stored)
{
    // A Persian or Arabic-Indic digit counts by its value and is stored as the ASCII digit.
    const QString v = PersianText::foldDigits(value.trimmed());
    const bool ok = v.isEmpty() || (v.size() == 1 && v.at(0) >= '1' && v.at(0) <= '7');
    if (ok && stored)
        *stored = v;
    return ok;
}

Selection select(const QString& code)
{
    Selection s;
    if (code.isEmpty()) {
        s.status = Selection::EmptyCode;
        s.message = NoCodeMessage;
        return s;
    }
    QString error;
    QSqlDatabase db = Database::connection(DbFile::Main, &error);
    BoundedQuery q(db);
    q.prepare("SELECT \"FName\", \"LName\" FROM \"IDE\" WHERE \"Code\" = ? ORDER BY rid LIMIT 1");
    q.addBindValue(code);
    if (queryFailed(q, &error)) {
        s.message = error;
        return s;
    }
    if (!q.next()) {
        s.status = Selection::NotFound;
        s.message = NotFoundMessage;
        return s;
    }
    s.name = q.value(0).toString() + " " + q.value(1).toString();
    Transaction tx(DbFile::Main);
    if (!tx.isActive()) {
        s.message = db.lastError().text().trimmed().isEmpty() ? QStringLiteral("نوشتن در پايگاه داده آغاز نشد.")
                                                              : db.lastError().text();
        return s;
    }
    if (!Database::lockSubjectForWrite(db, code, &error) || !AnswerTables::ensureRows(code, &error)
        || !tx.commit(&error)) {
        s.message = error;
        return s;
    }
    s.status = Selection::Selected;
    return s;
}

Result run(const QString& code, const QString& path)
{
    if (path.isEmpty())
        return refuse(Result::NoFile, NoFileMessage, "Error A3", Box::Exclamation);

    // A workbook that cannot be read gets the box of a wrong marker: nothing is written.
    WorkbookReader reader;
    QString error;
    QHash<QString, QString> cells;
    if (!reader.open(path, &error) || !reader.readCells(SheetName, cellsRead(), &cells, &error))
        return refuse(Result::Unreadable, NotLoadableMessage, "Error A1", Box::Information, error);
    if (cells.value(MarkerCell) != QLatin1String(MarkerText))
        return refuse(Result::WrongMarker, NotLoadableMessage, "Error A1", Box::Information);

    // Ratings are checked first, in the order of the workbook (V1, J1, ... G1, V2, ... G2);
    // the first refused cell is named and nothing is written.
    for (int k = 1; k <= 2; ++k)
        for (int t = 0; t < AnswerColumns::TypeCount; ++t) {
            const QString cell = answerCell(AnswerTables::S4, t, k);
            if (!ratingAcceptable(cells.value(cell), nullptr)) {
                Result r = refuse(Result::BadRating, NotLoadableMessage + "\n" + RatingCellMessage.arg(cell),
                                  "Error A1", Box::Information);
                r.cell = cell;
                return r;
            }
        }
    Totals::Answers answers;
    for (int table = AnswerTables::First; table <= AnswerTables::Last; ++table)
        for (int t = 0; t < AnswerColumns::TypeCount; ++t)
            for (int k = 1; k <= AnswerColumns::itemsPerType(table); ++k) {
                const QString value = cells.value(answerCell(table, t, k));
                QString stored;
                if (table < AnswerTables::S4)
                    stored = cellTicks(value) ? "1" : "0";
                else
                    ratingAcceptable(value, &stored);
                answers[table - 1].insert(AnswerColumns::column(table, t, k), stored);
            }
    const Totals::Six totals = Totals::compute(answers);

    QSqlDatabase db = Database::connection(DbFile::Main, &error);
    Transaction tx(DbFile::Main);
    // Without its own transaction the writes below would not be all-or-nothing (or would
    // land in someone else's); nothing is written then.
    if (!tx.isActive()) {
        if (error.isEmpty())
            error = db.isOpen() ? db.lastError().text() : QStringLiteral("پايگاه داده باز نشد.");
        if (error.trimmed().isEmpty())
            error = QStringLiteral("نوشتن در پايگاه داده آغاز نشد.");
        return refuse(Result::StoreFailed, error, "Error", Box::Exclamation, error);
    }
    // Seats writing one subject take turns, so its answer rows are created once.
    if (!Database::lockSubjectForWrite(db, code, &error))
        return refuse(Result::StoreFailed, error, "Error", Box::Exclamation, error);
    {
        BoundedQuery q(db);
        q.prepare("SELECT 1 FROM \"IDE\" WHERE \"Code\" = ? LIMIT 1");
        q.addBindValue(code);
        if (queryFailed(q, &error))
            return refuse(Result::StoreFailed, error, "Error", Box::Exclamation, error);
        if (!q.next())
            return refuse(Result::NoSubject, NotFoundMessage, "Error A1", Box::Information);
    }
    if (!AnswerTables::ensureRows(code, &error))
        return refuse(Result::StoreFailed, error, "Error", Box::Exclamation, error);
    for (int table = AnswerTables::First; table <= AnswerTables::Last; ++table) {
        const QString name = AnswerColumns::tableName(table);
        const QStringList columns = AnswerColumns::columns(table);
        QStringList sets;
        for (const QString& c : columns)
            sets << Database::quoted(c) + " = ?";
        // The subject's first row, the one the windows show.
        BoundedQuery q(db);
        q.prepare("UPDATE " + Database::quoted(name) + " SET " + sets.join(", ") + " WHERE rid = (SELECT min(rid) FROM "
                  + Database::quoted(name) + " WHERE \"Code\" = ?)");
        for (const QString& c : columns)
            q.addBindValue(answers[table - 1].value(c));
        q.addBindValue(code);
        if (queryFailed(q, &error))
            return refuse(Result::StoreFailed, error, "Error", Box::Exclamation, error);
    }
    if (!Totals::store(code, totals, &error) || !tx.commit(&error))
        return refuse(Result::StoreFailed, error, "Error", Box::Exclamation, error);
    return refuse(Result::Stored, StoredMessage, "پيام", Box::Information);
}
} // namespace WorkbookImport
