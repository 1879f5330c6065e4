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

} // namespace NormTable
