#include "scoring/Scoring.h"
#include "scoring/Interpretation.h"
#include "scoring/ScoringTexts.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace Scoring {

QString typeLetter(int type)
{
    if (type < 0 || type >= TypeCount)
        return QString();
    return QString::fromUtf8(InterestTypes::Persian[type]);
}

const QStringList& totalColumns()
{
    static const QStringList columns = [] {
        QStringList c;
        for (const char* name : InterestTypes::TotalColumn)
            c << QString::fromLatin1(name);
        return c;
    }();
    return columns;
}

namespace {
// A whole number written in decimal digits (an optional sign, blanks around it). The
// length cap keeps the value well inside int, so sums and ranks cannot overflow.
std::optional<int> wholeNumber(const QString& text)
{
    const QString t = text.trimmed();
    int i = 0;
    if (t.startsWith('-') || t.startsWith('+'))
        i = 1;
    if (i >= t.size() || t.size() - i > 9)
        return std::nullopt;
    for (int k = i; k < t.size(); ++k)
        if (t[k] < '0' || t[k] > '9')
            return std::nullopt;
    return t.toInt();
}
} // namespace

std::optional<Totals> parseTotals(const SixTexts& texts)
{
    Totals totals{};
    for (int t = 0; t < TypeCount; ++t) {
        const auto n = wholeNumber(texts[t]);
        if (!n)
            return std::nullopt;
        totals[t] = *n;
    }
    return totals;
}

std::optional<Totals> parseTotals(const QStringList& texts)
{
    if (texts.size() != TypeCount)
        return std::nullopt;
    SixTexts six;
    std::copy(texts.begin(), texts.end(), six.begin());
    return parseTotals(six);
}

QString shortestDecimal(double value)
{
    if (value == 0)
        return QStringLiteral("0"); // never "-0"
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString formatTwoPlaces(double value)
{
    if (std::abs(value) < 0.005)
        value = 0; // never "-."
    QString s = QString::number(value, 'f', 2);
    while (s.endsWith('0'))
        s.chop(1);
    // No leading zero before the point ("0.5" -> ".5", "-0.5" -> "-.5").
    if (s.startsWith(QLatin1String("0.")))
        s.remove(0, 1);
    else if (s.startsWith(QLatin1String("-0.")))
        s.remove(1, 1);
    return s;
}

double readShown(const QString& text)
{
    QString t = text.trimmed();
    if (t.endsWith('.'))
        t.chop(1);
    if (t.isEmpty() || t == QLatin1String("-"))
        return 0;
    if (t.startsWith('.'))
        t.prepend('0');
    else if (t.startsWith(QLatin1String("-.")))
        t.insert(1, '0');
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    return ok ? v : 0;
}

std::array<float, TypeCount> ranks(const Totals& totals)
{
    Totals ascending = totals;
    std::sort(ascending.begin(), ascending.end());
    std::array<float, TypeCount> rank{};
    for (int t = 0; t < TypeCount; ++t) {
        if (totals[t] == ascending[0]) {
            rank[t] = 1.0f; // the lowest total ranks 1 even when shared
            continue;
        }
        float sum = 0;
        int count = 0;
        for (int p = 0; p < TypeCount; ++p)
            if (ascending[p] == totals[t]) {
                sum += float(p + 1);
                ++count;
            }
        rank[t] = sum / float(count);
    }
    return rank;
}

QString TypeCode::text(int position) const
{
    if (position < 0 || position >= 3)
        return QString();
    const Position& p = positions[position];
    if (p.isPair())
        return typeLetter(p.first) + '-' + typeLetter(p.second);
    return typeLetter(p.first);
}

namespace {
Totals sortedDescending(const Totals& totals)
{
    Totals sorted = totals;
    std::sort(sorted.begin(), sorted.end(), std::greater<int>());
    return sorted;
}
} // namespace

TypeCode typeCode(const Totals& totals)
{
    const Totals s = sortedDescending(totals);
    TypeCode code;
    std::array<bool, TypeCount> taken{};
    for (int k = 0; k < 4; ++k) {
        // The last type in type order that holds this total and is still free; one always
        // exists, since each sorted total belongs to a type not chosen before.
        int pick = -1;
        for (int t = TypeCount - 1; t >= 0 && pick < 0; --t)
            if (!taken[t] && totals[t] == s[k])
                pick = t;
        taken[pick] = true;
        code.chosen[k] = pick;
    }
    int pattern = 0;
    if (s[0] == s[1])
        pattern = 1;
    if (s[1] == s[2])
        pattern = 2;
    if (s[2] == s[3])
        pattern = 3;
    code.tiePattern = pattern;

    const auto& c = code.chosen;
    using P = TypeCode::Position;
    switch (pattern) {
    case 1: code.positions = {P{c[0], c[1]}, P{c[2], -1}, P{c[3], -1}}; break;
    case 2: code.positions = {P{c[0], -1}, P{c[1], c[2]}, P{c[3], -1}}; break;
    case 3: code.positions = {P{c[0], -1}, P{c[1], -1}, P{c[2], c[3]}}; break;
    default: code.positions = {P{c[0], -1}, P{c[1], -1}, P{c[2], -1}}; break;
    }
    return code;
}

int leadingType(const Totals& totals)
{
    int lead = 0;
    for (int t = 1; t < TypeCount; ++t)
        if (totals[t] >= totals[lead])
            lead = t;
    return lead;
}

int ringDistance(int a, int b)
{
    return InterestTypes::ringDistance(a, b);
}

std::array<int, TypeCount> weights(int leading)
{
    std::array<int, TypeCount> w{};
    for (int t = 0; t < TypeCount; ++t)
        w[t] = 4 - ringDistance(t, leading);
    return w;
}

SixTexts streamScores(const SixTexts& adjustedTexts)
{
    using namespace InterestTypes;
    double a[TypeCount];
    for (int t = 0; t < TypeCount; ++t)
        a[t] = readShown(adjustedTexts[t]);

    // Each score is kept as its text before the next is computed; the vocational scores
    // read the academic ones back from those texts.
    SixTexts s;
    s[0] = shortestDecimal((a[J] + a[V]) / 2);
    s[1] = shortestDecimal((a[A] + a[J]) / 2);
    s[2] = formatTwoPlaces((2 * a[A] + a[H] + a[M] + a[G]) / 5);
    s[3] = formatTwoPlaces((readShown(s[2]) + a[V] + a[G]) / 3);
    s[4] = formatTwoPlaces((readShown(s[0]) + a[V] + a[G]) / 3);
    s[5] = formatTwoPlaces((readShown(s[1]) + a[V] + a[G]) / 3);
    return s;
}

Result score(const Totals& totals)
{
    Result r;
    r.totals = totals;
    r.sorted = sortedDescending(totals);
    r.rank = ranks(totals);
    r.code = typeCode(totals);
    r.leading = leadingType(totals);
    r.weight = weights(r.leading);
    for (int t = 0; t < TypeCount; ++t) {
        r.adjusted[t] = double(r.rank[t]) + double(r.weight[t]);
        r.rankTexts[t] = shortestDecimal(double(r.rank[t]));
        r.weightTexts[t] = QString::number(r.weight[t]);
        r.adjustedTexts[t] = shortestDecimal(r.adjusted[t]);
    }
    for (int p = 0; p < 3; ++p)
        r.codeTexts[p] = r.code.text(p);
    r.streamTexts = streamScores(r.adjustedTexts);
    r.indices = indices(totals);
    return r;
}

DescriptionRow describe(const TypeCode::Position& position, const DescriptionLookup& lookup)
{
    DescriptionRow row;
    if (position.first < 0 || !lookup)
        return row;
    const Description x = lookup(typeLetter(position.first));
    if (!position.isPair()) {
        row.title = x.sefat;
        row.cells = x.cells;
        return row;
    }
    const Description y = lookup(typeLetter(position.second));
    row.title = x.sefat + QStringLiteral("  ") + y.sefat;
    const QString join = QString::fromUtf8(ScoringTexts::PairJoin);
    for (int i = 0; i < 5; ++i)
        row.cells[i] = x.cells[i] + join + y.cells[i];
    return row;
}

void Shown::clearResult()
{
    for (int t = 0; t < TypeCount; ++t) {
        ranks[t].clear();
        weights[t].clear();
        adjusted[t].clear();
        streams[t] = QStringLiteral("0");
    }
    for (int p = 0; p < 3; ++p) {
        code3[p].clear();
        rows[p] = DescriptionRow();
    }
    scored.reset();
    indices = Indices();
    quality.reset();
}

void Shown::clearSubject()
{
    code.clear();
    firstName.clear();
    lastName.clear();
    sex.clear();
    age.clear();
    grade.clear();
    date.clear();
    time.clear();
    for (QString& t : rawTotals)
        t.clear();
}

void Shown::setResult(const Result& result, const DescriptionLookup& lookup)
{
    ranks = result.rankTexts;
    weights = result.weightTexts;
    adjusted = result.adjustedTexts;
    streams = result.streamTexts;
    code3 = result.codeTexts;
    for (int p = 0; p < 3; ++p)
        rows[p] = describe(result.code.positions[p], lookup);
    scored = result.totals;
    indices = result.indices;
    quality.reset();
}

QString notFoundMessage() { return QString::fromUtf8(ScoringTexts::NotFound); }
QString notAnsweredMessage() { return QString::fromUtf8(ScoringTexts::NotAnswered); }

} // namespace Scoring
