#include "questionnaire/QuestionnaireContent.h"

#include "questionnaire/AnswerColumns.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

// Outside any namespace, as Q_INIT_RESOURCE requires: the resource lives in a static library,
// so it must be pulled in explicitly.
static void initQuestionnaireResource() { Q_INIT_RESOURCE(questionnaire); }

namespace QuestionnaireContent {
namespace {
const QJsonObject& root()
{
    static const QJsonObject object = [] {
        initQuestionnaireResource();
        QFile f(QStringLiteral(":/questionnaire/questionnaire.json"));
        if (!f.open(QIODevice::ReadOnly))
            return QJsonObject();
        return QJsonDocument::fromJson(f.readAll()).object();
    }();
    return object;
}

QString text(const char* section, const QString& key)
{
    return root().value(QLatin1String(section)).toObject().value(key).toString();
}
} // namespace

bool isLoaded() { return !root().isEmpty(); }

QString introduction() { return root().value(QLatin1String("introduction")).toString(); }

QString instruction(int part, int type)
{
    if (part == 2 && type == 0)
        return text("instructions", QStringLiteral("2v"));
    return text("instructions", QString::number(part));
}

QString item(int table, int type, int k)
{
    return root().value(QLatin1String("items")).toObject().value(AnswerColumns::tableName(table)).toObject()
        .value(AnswerColumns::column(table, type, k)).toString();
}

QString ratingLabel(int type, int k) { return text("ratings", AnswerColumns::column(AnswerTables::S4, type, k)); }
} // namespace QuestionnaireContent
