#include "scoring/Psychometrics.h"

#include "data/PersianText.h"
#include "questionnaire/AnswerColumns.h"
#include "scoring/FlagNames.h"
#include "scoring/PsychometricsTexts.h"

#include <algorithm>
#include <cmath>

namespace Psychometrics {

ItemPlace itemPlace(int index)
{
    if (index < 11)
        return {AnswerTables::S1, index + 1};
    if (index < 22)
        return {AnswerTables::S2, index - 11 + 1};
    if (index < TickItems)
        return {AnswerTables::S3, index - 22 + 1};
    return {AnswerTables::S4, index - TickItems + 1};
}

QString itemKey(int type, int index)
{
    const ItemPlace place = itemPlace(index);
    return AnswerColumns::column(place.table, type, place.number);
}

int tickValue(const QString& text) { return PersianText::foldDigits(text.trimmed()) == QLatin1String("1") ? 1 : 0; }

int ratingValue(const QString& text)
{
    bool ok = false;
    const int n = PersianText::foldDigits(text.trimmed()).toInt(&ok);
    return ok && n >= 1 && n <= 7 ? n : 0;
}

namespace {
// The text between leading and trailing ASCII blanks, or false when it holds other bytes.
bool asciiTrimmed(const char*& text, int& size)
{
    for (int i = 0; i < size; ++i)
        if (static_cast<unsigned char>(text[i]) >= 0x80)
            return false;
    auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (size > 0 && blank(text[0])) {
        ++text;
        --size;
    }
    while (size > 0 && blank(text[size - 1]))
        --size;
    return true;
}
} // namespace

int tickValue(const char* text, int size)
{
    if (!text || size <= 0)
        return 0;
    if (size == 1)
        return text[0] == '1' ? 1 : 0;
    if (asciiTrimmed(text, size))
        return size == 1 && text[0] == '1' ? 1 : 0;
    return tickValue(QString::fromUtf8(text, size));
}

int ratingValue(const char* text, int size)
{
    if (!text || size <= 0)
        return 0;
    if (size == 1)
        return text[0] >= '1' && text[0] <= '7' ? text[0] - '0' : 0;
    return ratingValue(QString::fromUtf8(text, size));
}

QString boyText() { return QString::fromUtf8(PsychometricsTexts::Boy); }
QString girlText() { return QString::fromUtf8(PsychometricsTexts::Girl); }

int sexIndex(const QString& jens)
{
    static const QString boy = PersianText::foldName(boyText());
    static const QString girl = PersianText::foldName(girlText());
    if (jens == boyText())
        return 0;
    if (jens == girlText())
        return 1;
    const QString folded = PersianText::foldName(jens);
    return folded == boy ? 0 : folded == girl ? 1 : -1;
}

// ---- item analysis ----------------------------------------------------------------------------

namespace {
// Sums over the subjects, whole numbers: the variances and covariances below are exact
// ratios of these (n^2 times each), so nothing is lost however many subjects there are.
struct TypeSums {
    qint64 sum = 0, sumSquares = 0; // of the 38 items' sum
    std::array<qint64, ItemsPerType> x{}, xx{}, xSum{};
    std::array<qint64, TickItems> boys{}, girls{};
};

std::optional<double> alphaOf(int k, double itemVariances, double sumVariance)
{
    if (k < 2 || !(sumVariance > 0))
        return std::nullopt;
    return double(k) / (k - 1) * (1.0 - itemVariances / sumVariance);
}
} // namespace

Analysis analyze(const std::vector<Subject>& subjects, const std::vector<int>* members)
{
    Analysis a;
    std::array<TypeSums, TypeCount> sums;
    std::array<qint64, TypeCount> totalSum{};
    std::array<std::array<qint64, TypeCount>, TypeCount> totalCross{};
    auto add = [&](const Subject& s) {
        ++a.n;
        const int sex = sexIndex(s.sex);
        a.boys += sex == 0;
        a.girls += sex == 1;
        for (int t = 0; t < TypeCount; ++t) {
            TypeSums& ts = sums[t];
            const auto& items = s.items[t];
            int sum = 0;
            for (int i = 0; i < ItemsPerType; ++i)
                sum += items[i];
            ts.sum += sum;
            ts.sumSquares += qint64(sum) * sum;
            for (int i = 0; i < ItemsPerType; ++i) {
                const int x = items[i];
                ts.x[i] += x;
                ts.xx[i] += x * x;
                ts.xSum[i] += x * sum;
            }
            if (sex == 0)
                for (int i = 0; i < TickItems; ++i)
                    ts.boys[i] += items[i];
            else if (sex == 1)
                for (int i = 0; i < TickItems; ++i)
                    ts.girls[i] += items[i];
            totalSum[t] += s.totals[t];
            for (int u = t; u < TypeCount; ++u)
                totalCross[t][u] += qint64(s.totals[t]) * s.totals[u];
        }
    };
    forEachMember(subjects, members, add);

    const double n = a.n;
    for (int t = 0; t < TypeCount; ++t) {
        const TypeSums& ts = sums[t];
        TypeStat& stat = a.types[t];
        // n^2 times each variance and covariance.
        const double sumVar = n * double(ts.sumSquares) - double(ts.sum) * double(ts.sum);
        std::array<double, ItemsPerType> var{}, cov{};
        double varSum = 0;
        for (int i = 0; i < ItemsPerType; ++i) {
            var[i] = n * double(ts.xx[i]) - double(ts.x[i]) * double(ts.x[i]);
            cov[i] = n * double(ts.xSum[i]) - double(ts.x[i]) * double(ts.sum);
            varSum += var[i];
        }
        if (a.n >= 2)
            stat.alpha = alphaOf(ItemsPerType, varSum, sumVar);
        for (int i = 0; i < ItemsPerType; ++i) {
            ItemStat& item = stat.items[i];
            if (a.n > 0)
                item.p = double(ts.x[i]) / n;
            if (i < TickItems) {
                if (a.boys > 0)
                    item.pBoys = double(ts.boys[i]) / a.boys;
                if (a.girls > 0)
                    item.pGirls = double(ts.girls[i]) / a.girls;
            }
            if (i < TickItems && item.p) {
                if (*item.p > EasyAbove)
                    item.flags |= Easy;
                if (*item.p < HardBelow)
                    item.flags |= Hard;
            }
            if (a.n < 2)
                continue;
            // The rest: the type's other 37 items.
            const double restVar = sumVar + var[i] - 2 * cov[i];
            const double restCov = cov[i] - var[i];
            if (var[i] > 0 && restVar > 0)
                item.r = restCov / std::sqrt(var[i] * restVar);
            item.alphaIfDeleted = alphaOf(ItemsPerType - 1, varSum - var[i], restVar);
            if (item.r && *item.r < WeakBelow)
                item.flags |= Weak;
        }
    }

    std::array<std::array<std::optional<double>, TypeCount>, TypeCount> r{};
    if (a.n >= 2) {
        for (int t = 0; t < TypeCount; ++t)
            for (int u = t; u < TypeCount; ++u) {
                const double ct = n * double(totalCross[t][t]) - double(totalSum[t]) * double(totalSum[t]);
                const double cu = n * double(totalCross[u][u]) - double(totalSum[u]) * double(totalSum[u]);
                const double c = n * double(totalCross[t][u]) - double(totalSum[t]) * double(totalSum[u]);
                if (ct > 0 && cu > 0)
                    r[t][u] = r[u][t] = t == u ? 1.0 : c / std::sqrt(ct * cu);
            }
    }
    a.hexagon = hexagonOrder(r);
    return a;
}

Hexagon hexagonOrder(const std::array<std::array<std::optional<double>, TypeCount>, TypeCount>& r)
{
    Hexagon h;
    h.r = r;
    std::array<std::vector<std::optional<double>>, 4> byDistance; // 1 adjacent, 2 alternate, 3 opposite
    for (int t = 0; t < TypeCount; ++t)
        for (int u = t + 1; u < TypeCount; ++u)
            byDistance[size_t(InterestTypes::ringDistance(t, u))].push_back(r[t][u]);
    auto mean = [](const std::vector<std::optional<double>>& values) -> std::optional<double> {
        double sum = 0;
        int count = 0;
        for (const auto& v : values)
            if (v) {
                sum += *v;
                ++count;
            }
        if (count == 0)
            return std::nullopt;
        return sum / count;
    };
    h.adjacent = mean(byDistance[1]);
    h.alternate = mean(byDistance[2]);
    h.opposite = mean(byDistance[3]);

    bool complete = true;
    auto compare = [&](int higher, int lower) {
        for (const auto& a : byDistance[size_t(higher)])
            for (const auto& b : byDistance[size_t(lower)]) {
                if (!a || !b)
                    complete = false;
                else if (*a > *b)
                    ++h.agreements;
                else if (*a < *b)
                    ++h.violations;
                else
                    ++h.ties;
            }
    };
    compare(1, 2);
    compare(2, 3);
    compare(1, 3);
    if (complete)
        h.ci = double(h.agreements - h.violations) / 72.0;
    return h;
}

namespace {
const FlagNames::Flag kItemFlags[] = {
    {Easy, "easy", PsychometricsTexts::FlagEasy},
    {Hard, "hard", PsychometricsTexts::FlagHard},
    {Weak, "weak", PsychometricsTexts::FlagWeak},
};
} // namespace

QStringList flagIds(unsigned flags) { return FlagNames::namesOf(flags, kItemFlags, &FlagNames::Flag::id); }

QStringList flagWords(unsigned flags) { return FlagNames::namesOf(flags, kItemFlags, &FlagNames::Flag::words); }

// ---- norms ------------------------------------------------------------------------------------

std::optional<double> sem(const Distribution& d)
{
    if (!d.alpha || d.n < 2)
        return std::nullopt;
    return d.sd * std::sqrt(std::max(0.0, 1.0 - *d.alpha));
}

NormScore normScore(const Distribution& d, int total)
{
    NormScore s;
    if (d.n <= 0)
        return s;
    if (d.n >= MinPercentileCell) {
        qint64 below = 0;
        for (int x = 0; x <= MaxTotal && x < total; ++x)
            below += d.frequency[size_t(x)];
        const int equal = total >= 0 && total <= MaxTotal ? d.frequency[size_t(total)] : 0;
        s.percentile = 100.0 * (double(below) + 0.5 * equal) / d.n;
    }
    if (d.sd > 0)
        s.t = 50.0 + 10.0 * (total - d.mean) / d.sd;
    s.sem = sem(d);
    return s;
}

// ---- retest and aspiration --------------------------------------------------------------------

Code3 code3(const Scoring::Totals& totals)
{
    const Scoring::TypeCode code = Scoring::typeCode(totals);
    return {code.positions[0].first, code.positions[1].first, code.positions[2].first};
}

int iachan(const Code3& subject, const Code3& other)
{
    static constexpr int weight[3][3] = {{22, 10, 4}, {10, 5, 2}, {4, 2, 1}};
    int m = 0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            if (subject[size_t(i)] >= 0 && subject[size_t(i)] == other[size_t(j)])
                m += weight[i][j];
    return m;
}

QString iachanWords(int m)
{
    return QString::fromUtf8(m <= 7        ? PsychometricsTexts::CongruenceLow
                                 : m <= 17 ? PsychometricsTexts::CongruenceMedium
                                           : PsychometricsTexts::CongruenceHigh);
}

std::optional<Code3> parseCode(const QString& text)
{
    // Folded as names are, so the letters' Arabic forms and a hamza on the alef read alike.
    const QString s = PersianText::foldName(text);
    static const QString separators = QStringLiteral(" -,\u060C/");
    Code3 code{};
    int count = 0;
    for (int i = 0; i < s.size();) {
        if (separators.contains(s[i])) {
            ++i;
            continue;
        }
        int type = -1, length = 1;
        for (int t = 0; t < TypeCount && type < 0; ++t) {
            const QString letter = PersianText::foldName(Scoring::typeLetter(t));
            if (s.mid(i, letter.size()) == letter) {
                type = t;
                length = int(letter.size());
            } else if (s[i] == QLatin1Char(InterestTypes::Latin[t][0])
                       || s[i] == QChar::fromLatin1(InterestTypes::Latin[t][0]).toUpper()) {
                type = t;
            }
        }
        // The alef alone stands for its letter's name.
        if (type < 0 && s[i] == QChar(0x0627))
            type = InterestTypes::A;
        if (type < 0 || count == 3 || std::find(code.begin(), code.begin() + count, type) != code.begin() + count)
            return std::nullopt;
        code[size_t(count++)] = type;
        i += length;
    }
    if (count != 3)
        return std::nullopt;
    return code;
}

QString codeText(const Code3& code)
{
    QStringList letters;
    for (int t : code)
        letters << Scoring::typeLetter(t);
    return letters.join(' ');
}

QString badCodeMessage() { return QString::fromUtf8(PsychometricsTexts::BadCode); }

QString congruenceText(const Code3& subject, const Code3& aspiration)
{
    const int m = iachan(subject, aspiration);
    return QString::fromUtf8(PsychometricsTexts::AspirationResult).arg(codeText(aspiration)).arg(m).arg(iachanWords(m));
}

Retest retest(const Scoring::Totals& first, const Scoring::Totals& second,
              const std::array<std::optional<double>, TypeCount>& sems)
{
    Retest r;
    for (int t = 0; t < TypeCount; ++t) {
        r.diff[t] = second[t] - first[t];
        if (sems[t] && *sems[t] > 0) {
            r.rci[t] = r.diff[t] / (*sems[t] * std::sqrt(2.0));
            r.reliable[t] = std::fabs(*r.rci[t]) > ReliableChange;
        }
    }
    r.first = code3(first);
    r.second = code3(second);
    r.firstLetterAgrees = r.first[0] == r.second[0];
    Code3 a = r.first, b = r.second;
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    r.setAgrees = a == b;
    r.iachan = iachan(r.first, r.second);
    return r;
}

} // namespace Psychometrics
