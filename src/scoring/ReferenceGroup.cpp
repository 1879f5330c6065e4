#include "scoring/ReferenceGroup.h"

#include "data/Database.h"
#include "data/PersianText.h"
#include "data/SubjectReader.h"
#include "questionnaire/AnswerColumns.h"
#include "scoring/FlagNames.h"
#include "scoring/PsychometricsTexts.h"

#include <QHash>
#include <QVariant>

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <thread>

namespace ReferenceGroup {
using Psychometrics::Subject;

namespace {
// A stored total: a whole number 0..50, blanks around it allowed (as parseTotals reads it).
int totalValue(const char* text, int size)
{
    if (size == 1 && text[0] >= '0' && text[0] <= '9')
        return text[0] - '0';
    if (size == 2 && text[0] >= '1' && text[0] <= '9' && text[1] >= '0' && text[1] <= '9')
        return (text[0] - '0') * 10 + text[1] - '0';
    Scoring::SixTexts one;
    one.fill(QStringLiteral("0"));
    one[0] = QString::fromUtf8(text, size);
    const auto totals = Scoring::parseTotals(one);
    return totals ? (*totals)[0] : -1;
}
} // namespace

bool read(const GroupSummary::Selection& selection, std::vector<Subject>* subjects, QString* error)
{
    SubjectReader::Filter selected;
    if (!GroupSummary::filter(selection, &selected, error))
        return false;
    std::vector<Subject> out;
    QHash<QByteArray, int> byCode;
    const bool ideRead = SubjectReader::forEach(
        QStringLiteral("IDE"), {"Code", "Jens", "Tahsil", "V", "J", "H", "A", "M", "GH"}, selected,
        [&](const SubjectReader::Rows& rows) {
            Subject s;
            for (int t = 0; t < Psychometrics::TypeCount; ++t) {
                const SubjectReader::Field f = rows.field(3 + t);
                const int total = totalValue(f.data, f.size);
                if (total < 0 || total > Psychometrics::MaxTotal)
                    return true;
                s.totals[size_t(t)] = total;
            }
            const SubjectReader::Field code = rows.field(0);
            const QByteArray key(code.data, code.size);
            if (byCode.contains(key))
                return true; // a code's first row is the subject
            s.code = code.toString();
            s.sex = rows.field(1).toString();
            s.grade = rows.field(2).toString();
            byCode.insert(key, int(out.size()));
            out.push_back(std::move(s));
            return true;
        },
        error);
    if (!ideRead)
        return false;

    if (out.empty()) {
        *subjects = std::move(out);
        return true;
    }
    // One pass over each answer table. Each table fills its own items of every subject, so on
    // the file the four passes run side by side.
    struct Target {
        int type, item; // where each column of the row goes
    };
    struct Pass {
        int table = 0;
        QStringList columns;
        std::vector<Target> targets;
        SubjectReader::Rows rows;
        bool ok = true;
        QString error;
    };
    const bool onFile = !Database::mainIsServer();
    std::vector<Pass> passes;
    // The widest table first, so the passes end close together.
    for (int table : {int(AnswerTables::S3), int(AnswerTables::S1), int(AnswerTables::S2), int(AnswerTables::S4)}) {
        Pass pass;
        pass.table = table;
        pass.columns << QStringLiteral("Code");
        for (int t = 0; t < Psychometrics::TypeCount; ++t)
            for (int i = 0; i < Psychometrics::ItemsPerType; ++i)
                if (Psychometrics::itemPlace(i).table == table) {
                    pass.columns << Psychometrics::itemKey(t, i);
                    pass.targets.push_back({t, i});
                }
        passes.push_back(std::move(pass));
    }
    // A file's passes are opened here, each on a connection of its own, and stepped on the
    // threads below; a server's one after the other on its one connection.
    if (onFile)
        for (Pass& pass : passes)
            if (!pass.rows.open(AnswerColumns::tableName(pass.table), pass.columns, {}, error))
                return false;
    const QHash<QByteArray, int>& codes = byCode; // read only from here on, by every pass
    auto run = [&](Pass& pass) {
        std::vector<bool> seen(out.size(), false);
        const bool ratings = pass.table == AnswerTables::S4;
        if (!pass.rows.isOpen()
            && !pass.rows.open(AnswerColumns::tableName(pass.table), pass.columns, {}, &pass.error)) {
            pass.ok = false;
            return;
        }
        while (pass.rows.next()) {
            const SubjectReader::Field code = pass.rows.field(0);
            const auto it = codes.constFind(QByteArray::fromRawData(code.data, code.size));
            if (it == codes.constEnd() || seen[size_t(it.value())])
                continue;
            seen[size_t(it.value())] = true;
            Subject& s = out[size_t(it.value())];
            for (size_t c = 0; c < pass.targets.size(); ++c) {
                const SubjectReader::Field f = pass.rows.field(int(c) + 1);
                s.items[size_t(pass.targets[c].type)][size_t(pass.targets[c].item)] = quint8(
                    ratings ? Psychometrics::ratingValue(f.data, f.size) : Psychometrics::tickValue(f.data, f.size));
            }
        }
        pass.error = pass.rows.error();
        pass.ok = pass.error.isEmpty();
        pass.rows.close();
    };
    if (onFile) {
        const unsigned cores = std::max(1u, std::min(unsigned(passes.size()), std::thread::hardware_concurrency()));
        std::atomic<size_t> next{0};
        auto worker = [&]() {
            for (size_t k = next++; k < passes.size(); k = next++)
                run(passes[k]);
        };
        std::vector<std::thread> threads;
        for (unsigned k = 1; k < cores; ++k)
            threads.emplace_back(worker);
        worker();
        for (std::thread& t : threads)
            t.join();
    } else {
        for (Pass& pass : passes)
            run(pass);
    }
    for (const Pass& pass : passes)
        if (!pass.ok) {
            if (error)
                *error = pass.error;
            return false;
        }
    *subjects = std::move(out);
    return true;
}

namespace {
QString cellKey(const QString& text) { return PersianText::foldName(text); }

bool lessGrade(const QString& a, const QString& b)
{
    bool okA = false, okB = false;
    const int x = a.toInt(&okA), y = b.toInt(&okB);
    if (okA && okB)
        return x < y;
    if (okA != okB)
        return okA; // numbers first
    return a < b;
}
} // namespace

std::vector<Cell> cells(const std::vector<Subject>& subjects, unsigned split)
{
    struct Key {
        QString sex, grade;
        bool operator<(const Key& o) const
        {
            if (sex != o.sex)
                return sex < o.sex;
            return lessGrade(grade, o.grade);
        }
    };
    std::map<Key, Cell> byKey;
    // The few distinct stored texts are folded and ordered once each, not once per subject.
    QHash<QPair<QString, QString>, Cell*> byText;
    for (size_t i = 0; i < subjects.size(); ++i) {
        const Subject& s = subjects[i];
        const QPair<QString, QString> text(split & BySex ? s.sex : QString(), split & ByClass ? s.grade : QString());
        Cell*& known = byText[text];
        if (!known) {
            const Key key{cellKey(text.first), cellKey(text.second)};
            known = &byKey[key]; // a map's elements stay where they are
            if (known->members.empty()) {
                known->sex = text.first.trimmed();
                known->grade = text.second.trimmed();
            }
        }
        known->members.push_back(int(i));
    }
    std::vector<Cell> out;
    for (auto& entry : byKey)
        out.push_back(std::move(entry.second));
    // Boys before girls, as the registration lists them, then any other text.
    auto sexRank = [](const Cell& c) {
        const int sex = Psychometrics::sexIndex(c.sex);
        return sex < 0 ? 2 : sex;
    };
    if (split & BySex)
        std::stable_sort(out.begin(), out.end(), [&](const Cell& a, const Cell& b) { return sexRank(a) < sexRank(b); });
    if (split == None && out.empty())
        out.push_back(Cell{});
    return out;
}

bool inCell(const Cell& cell, unsigned split, const QString& sex, const QString& grade)
{
    if ((split & BySex) && cellKey(sex) != cellKey(cell.sex))
        return false;
    if ((split & ByClass) && cellKey(grade) != cellKey(cell.grade))
        return false;
    return true;
}

namespace {
const FlagNames::Flag kSplits[] = {{BySex, "sex", nullptr}, {ByClass, "class", nullptr}};
} // namespace

bool parseSplit(const QString& text, unsigned* split)
{
    unsigned s = None;
    if (!text.trimmed().isEmpty()) {
        for (const QString& part : text.split(',')) {
            const unsigned bit = FlagNames::bitOf(part.trimmed(), kSplits);
            if (bit == 0 || (s & bit))
                return false;
            s |= bit;
        }
    }
    *split = s;
    return true;
}

QString splitText(unsigned split) { return FlagNames::namesOf(split, kSplits, &FlagNames::Flag::id).join(','); }

QString cellLabel(const Cell& cell, unsigned split)
{
    QStringList parts;
    if (split & BySex)
        parts << cell.sex;
    if (split & ByClass)
        parts << cell.grade;
    return parts.isEmpty() ? QString::fromUtf8(PsychometricsTexts::AllSubjects) : parts.join(QStringLiteral("، "));
}

} // namespace ReferenceGroup
