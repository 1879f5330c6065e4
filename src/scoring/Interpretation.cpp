#include "scoring/Interpretation.h"

#include "data/Utf8.h"
#include "questionnaire/AnswerColumns.h"
#include "scoring/FlagNames.h"
#include "scoring/InterpretationTexts.h"

#include <algorithm>

namespace Scoring {
std::array<int, TypeCount> typesByTotal(const Totals& totals)
{
    std::array<int, TypeCount> order{};
    for (int i = 0; i < TypeCount; ++i)
        order[i] = TypeCount - 1 - i; // g first: the later type wins among equals
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return totals[a] > totals[b]; });
    return order;
}

Indices indices(const Totals& totals)
{
    Indices ind;
    const auto order = typesByTotal(totals);
    ind.pair = {order[0], order[1]};
    switch (ringDistance(order[0], order[1])) {
    case 1: ind.consistency = Consistency::High; break;
    case 2: ind.consistency = Consistency::Medium; break;
    default: ind.consistency = Consistency::Low; break;
    }
    const auto [low, high] = std::minmax_element(totals.begin(), totals.end());
    ind.differentiation = *high - *low;
    return ind;
}

QString columnLetter(int type)
{
    static const char* const letters[TypeCount] = {"v", "j", "h", "a", "m", "g"};
    return type >= 0 && type < TypeCount ? QString::fromLatin1(letters[type]) : QString();
}

QString consistencyId(Consistency c)
{
    switch (c) {
    case Consistency::High: return QStringLiteral("high");
    case Consistency::Medium: return QStringLiteral("medium");
    case Consistency::Low: return QStringLiteral("low");
    }
    return QString();
}

QString consistencyWords(const Indices& ind)
{
    const char* words = ind.consistency == Consistency::High ? InterpretationTexts::ConsistencyHigh
        : ind.consistency == Consistency::Medium             ? InterpretationTexts::ConsistencyMedium
                                                             : InterpretationTexts::ConsistencyLow;
    return u(InterpretationTexts::ConsistencyLabel) + u(words);
}

QString differentiationWords(const Indices& ind)
{
    const char* words = ind.differentiation < FlatBelow ? InterpretationTexts::DifferentiationLowWords
        : ind.differentiation < 15                      ? InterpretationTexts::DifferentiationMiddleWords
                                                        : InterpretationTexts::DifferentiationHighWords;
    return u(InterpretationTexts::DifferentiationLabel)
        + u(InterpretationTexts::DifferentiationValue).arg(ind.differentiation) + QStringLiteral("، ") + u(words);
}

AnswerQuality answerQuality(const ::Totals::Answers& answers, int differentiation)
{
    AnswerQuality q;
    int* parts[3] = {&q.part1, &q.part2, &q.part3};
    for (int table = 1; table <= 3; ++table)
        for (int type = 0; type < TypeCount; ++type)
            for (int k = 1; k <= AnswerColumns::itemsPerType(table); ++k)
                if (::Totals::isTicked(
                        ::Totals::columnValue(answers[table - 1], AnswerColumns::column(table, type, k))))
                    ++*parts[table - 1];
    // A rating counts as given when it adds to the totals (a whole number other than 0).
    QVector<int> given;
    for (int type = 0; type < TypeCount; ++type)
        for (int k = 1; k <= 2; ++k)
            if (const int value = ::Totals::ratingValue(
                    ::Totals::columnValue(answers[3], AnswerColumns::column(AnswerTables::S4, type, k))))
                given << value;
    q.ratings = int(given.size());

    if (given.isEmpty())
        q.flags |= NoRatings;
    else if (given.size() >= 2 && std::all_of(given.begin(), given.end(), [&](int v) { return v == given.first(); }))
        q.flags |= EqualRatings;
    if (q.part1 + q.part2 + q.part3 < FewTicksBelow)
        q.flags |= FewTicks;
    if (differentiation < FlatBelow)
        q.flags |= FlatProfile;
    return q;
}

namespace {
const FlagNames::Flag kFlags[] = {
    {NoRatings, "no_ratings", InterpretationTexts::FlagNoRatings},
    {EqualRatings, "equal_ratings", InterpretationTexts::FlagEqualRatings},
    {FewTicks, "few_ticks", InterpretationTexts::FlagFewTicks},
    {FlatProfile, "flat_profile", InterpretationTexts::FlagFlatProfile},
};
} // namespace

QStringList flagIds(unsigned flags) { return FlagNames::namesOf(flags, kFlags, &FlagNames::Flag::id); }

QStringList flagSentences(unsigned flags) { return FlagNames::namesOf(flags, kFlags, &FlagNames::Flag::words); }

} // namespace Scoring
