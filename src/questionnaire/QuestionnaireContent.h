#pragma once
#include <QString>

// The questionnaire's texts, kept as data (content/questionnaire/questionnaire.json, built
// into the program as a resource): the start-screen introduction, the instruction of each
// part, the 216 tick items keyed by table and column, and the 12 rating labels.
namespace QuestionnaireContent {
// False when the resource is missing or malformed (every text then reads as "").
bool isLoaded();
QString introduction();
// Instruction label of a page of part 1..4; type (0..5) matters only for part 2, whose
// page of type v carries its own wording.
QString instruction(int part, int type = 1);
// Caption of item k (1-based) of type t (0..5) in table 1..3.
QString item(int table, int type, int k);
// Label of the rating of type t: k = 1 ability, k = 2 skill.
QString ratingLabel(int type, int k);
} // namespace QuestionnaireContent
