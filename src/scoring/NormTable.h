#pragma once
#include "scoring/GroupSummary.h"
#include "scoring/Psychometrics.h"
#include "scoring/ReferenceGroup.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <array>
#include <vector>

// A norm table: the distributions of the six totals in the cells of a reference group,
// written to a versioned JSON file a counsellor keeps and chooses in the scoring window.
namespace NormTable {

constexpr int FormatVersion = 1;

struct Cell {
    QString sex, grade; // the texts of the split's parts (empty when not split by it)
    int n = 0;
    std::array<Psychometrics::Distribution, Psychometrics::TypeCount> types;
};

struct Table {
    GroupSummary::Selection filters; // group, sex, class, from, to
    unsigned split = ReferenceGroup::None;
    QDateTime created;
    std::vector<Cell> cells;
};

// The distributions of the cells of the subjects (alpha from the items of each cell).
Table build(const std::vector<Psychometrics::Subject>& subjects, unsigned split);
// One cell of the whole group, for a caller that has no table (the retest's SEM).
Cell wholeGroup(const std::vector<Psychometrics::Subject>& subjects);

QByteArray toJson(const Table& table);
// False with the reason (not a norm table, another version, damaged) on a file that does not read.
bool fromJson(const QByteArray& json, Table* table, QString* error = nullptr);
bool save(const Table& table, const QString& path, QString* error = nullptr);
bool load(const QString& path, Table* table, QString* error = nullptr);

// The cell of a subject of this sex and class; nullptr when the table has none.
const Cell* cellFor(const Table& table, const QString& sex, const QString& grade);
QString cellLabel(const Table& table, const Cell& cell); // "پسر، 9", "همه"

// The six SEMs of a cell (empty where alpha is undefined).
std::array<std::optional<double>, Psychometrics::TypeCount> sems(const Cell& cell);

// The norm table the scoring window uses, remembered in the program folder (NormTable.txt,
// one line: the file's path); empty when none was chosen.
QString rememberedPath();
bool remember(const QString& path, QString* error = nullptr);

// A subject's totals against the table: the cell of the subject's sex and class, the six
// scores, and why something is missing (no cell, too few for percentile ranks).
struct SubjectNorms {
    bool found = false;
    QString label; // the cell
    int n = 0;
    std::array<Psychometrics::NormScore, Psychometrics::TypeCount> scores{};
    QString note;
};
SubjectNorms scoreSubject(const Table& table, const QString& sex, const QString& grade, const Scoring::Totals& totals);

// What the scoring window shows and the result report prints against the table in use: the
// caption naming the table's file, the cell and its N (and why something is missing), and per
// type the percentile rank and T (one decimal) and the band raw total -/+ 1 SEM. The
// percentile ranks themselves when all six are defined (the profile chart can draw them).
struct ShownNorms {
    bool chosen = false; // a table is in use
    QString caption;
    Scoring::SixTexts percentile, t, band;
    std::optional<std::array<double, Psychometrics::TypeCount>> percentiles;
};
// table null: no table chosen. Without a scored subject only the table's name.
ShownNorms shownNorms(const Table* table, const QString& fileName, const Scoring::Shown& shown);

// ---- the retest -------------------------------------------------------------------------------

// The SEMs a retest divides by: of the table's cell of the first administration's sex and
// class, else (no table) of all answered subjects, read from the main database.
struct RetestSems {
    std::array<std::optional<double>, Psychometrics::TypeCount> sem{};
    QString from; // the cell, "همه"; empty when the table has no cell for the subject
    QString note; // why there are none (no cell, fewer than two subjects)
};
bool retestSems(const Table* table, const QString& sex, const QString& grade, RetestSems* out,
                QString* error = nullptr);

// The comparison of two administrations as the scoring window shows it and its page prints it.
struct ShownRetest {
    Psychometrics::Retest retest;
    RetestSems sems;
    Scoring::Totals first{}, second{};
    Scoring::SixTexts diff, rci, reliable; // rci two decimals, "" without a SEM; reliable «بله» or ""
    QString codes, firstLetter, set, iachan, semFrom;
};
ShownRetest shownRetest(const Scoring::Totals& first, const Scoring::Totals& second, const RetestSems& sems);

} // namespace NormTable
