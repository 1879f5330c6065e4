#pragma once
#include "scoring/GroupSummary.h"
#include "scoring/Psychometrics.h"

#include <QString>

#include <vector>

// A reference group: the answered subjects a selection takes (the filters of the group
// report, plus the sex), with their answers item by item, optionally split into cells by sex,
// by class or by both. Read in one pass over IDE and one over each answer table, on either
// engine.
namespace ReferenceGroup {

enum Split : unsigned { None = 0, BySex = 1u << 0, ByClass = 1u << 1 };

// The answered subjects of the selection (six whole-number totals, each 0..50), in table
// order; a code's first answer rows count, as in scoring. False with a reason when the
// tables cannot be read.
bool read(const GroupSummary::Selection& selection, std::vector<Psychometrics::Subject>* subjects,
          QString* error = nullptr);

struct Cell {
    QString sex, grade; // as first stored in the cell; empty when the split ignores it
    std::vector<int> members; // indices into the subjects
};
// The cells of a split: one for the whole group (None), else one per sex and/or class
// present (texts compared folded, as names are), ordered by sex, then class (numbers by value).
std::vector<Cell> cells(const std::vector<Psychometrics::Subject>& subjects, unsigned split);
// Whether a subject of this sex and class belongs to the cell of the split.
bool inCell(const Cell& cell, unsigned split, const QString& sex, const QString& grade);

// "sex", "class", "sex,class" (either order); false for anything else. "" reads as None.
bool parseSplit(const QString& text, unsigned* split);
QString splitText(unsigned split);
// The cell as a reader sees it: "پسر، 9", "همه".
QString cellLabel(const Cell& cell, unsigned split);

} // namespace ReferenceGroup
