#pragma once
#include "questionnaire/Totals.h"
#include "scoring/Scoring.h"

#include <QString>
#include <QStringList>

#include <array>

// The interpretation indices of a profile, beside its scores: the leading pair of types and
// how close they sit on the six-type ring (consistency), how far the highest total stands
// above the lowest (differentiation), and how completely the questionnaire was answered.
namespace Scoring {

// The six types by total, highest first; among equal totals the later type in the order
// v, j, h, a, m, g comes first (the rule of the leading type).
std::array<int, TypeCount> typesByTotal(const Totals& totals);
Indices indices(const Totals& totals);

// "v", "j", "h", "a", "m", "g" (the export's and the companion tool's letters).
QString columnLetter(int type);
// "high", "medium", "low".
QString consistencyId(Consistency c);
// The consistency and the differentiation in words, as the result report prints them.
QString consistencyWords(const Indices& ind);
QString differentiationWords(const Indices& ind);

// From the subject's answer rows (S1..S4) and the differentiation of its totals.
AnswerQuality answerQuality(const ::Totals::Answers& answers, int differentiation);
// The flags set, in a fixed order: stable English identifiers / short Persian sentences.
QStringList flagIds(unsigned flags);
QStringList flagSentences(unsigned flags);

} // namespace Scoring
