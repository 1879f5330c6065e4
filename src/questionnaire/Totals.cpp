#include "questionnaire/Totals.h"

#include "data/BoundedQuery.h"
#include "data/Database.h"
#include "data/PersianText.h"
#include "questionnaire/AnswerColumns.h"

#include <QSqlError>
#include <QSqlQuery>

namespace Totals {
QString columnValue(const QHash<QString, QString>& row, const QString& column)
{
    const auto exact = row.constFind(column);
    if (exact != row.constEnd())
        return exact.value();
    for (auto it = row.constBegin(); it != row.constEnd(); ++it)
        if (it.key().compare(column, Qt::CaseInsensitive) == 0)
            return it.value();
    return QString();
}

bool isTicked(const QString& value) { return PersianText::foldDigits(value.trimmed()) == QLatin1String("1"); }

int ratingValue(const QString& value)
{
    bool ok = false;
    const int n = PersianText::foldDigits(value.trimmed()).toInt(&ok);
    return ok ? n : 0;
}

Six compute(const Answers& answers)
{
    Six totals{};
    for (int t = 0; t < AnswerColumns::TypeCount; ++t) {
        int sum = 0;
        for (int table = AnswerTables::S1; table <= AnswerTables::S3; ++table)
            for (int k = 1; k <= AnswerColumns::itemsPerType(table); ++k)
                if (isTicked(columnValue(answers[table - 1], AnswerColumns::column(table, t, k))))
                    ++sum;
        for (int k = 1; k <= 2; ++k)
            sum += ratingValue(columnValue(answers[3], AnswerColumns::column(AnswerTables::S4, t, k)));
        totals[t] = sum;
    }
    return totals;
}

bool store(const QString& code, const Six& totals, QString* error)
{
    BoundedQuery q(Database::connection(DbFile::Main, error));
    q.prepare(
        "UPDATE \"IDE\" SET \"V\" = ?, \"J\" = ?, \"H\" = ?, \"A\" = ?, \"M\" = ?, \"GH\" = ? WHERE \"Code\" = ?");
    for (int t : totals)
        q.addBindValue(QString::number(t));
    q.addBindValue(code);
    if (!q.tryExec(error))
        return false;
    return true;
}
} // namespace Totals
