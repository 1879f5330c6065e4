#pragma once
#include "data/ClinicData.h"
#include "data/SettingsStore.h"
#include "scoring/NormTable.h"
#include "scoring/Scoring.h"

#include <optional>

class QWidget;
class SubjectStore;

// The print buttons of the scoring window hand over to the reports here. The window has
// already refused "print the selected subject" when no subject was selected; it passes what it
// shows as plain values, and the reports read nothing from the window itself.
namespace ScoringReports {
// What the window shows and the reports print.
struct Printed {
    Scoring::Shown shown; // the selected subject's texts
    NormTable::ShownNorms norms; // the norm rows
    QString congruence; // the congruence line ("" without an aspiration code)
    bool percentileChart = false; // whether the chart draws percentile ranks
    Scoring::Shown second; // the second administration of the comparison
    std::optional<NormTable::ShownRetest> comparison; // the comparison (empty before one)
    ClinicData clinic; // the logo and the contact lines
    SettingsStore::Settings settings; // the settings row: the clinic's name and address
    QWidget* parent = nullptr; // the window the preview belongs to
};

// The result report of the selected subject, in its preview window.
void printSelectedSubject(const Printed& printed);
// The comparison of the two administrations («مقایسه‌ی دو اجرا»), in its preview window;
// nothing without a comparison.
void printComparison(const Printed& printed);
// The subject-list report of every subject of the store, in its preview window.
void printAllSubjects(const Printed& printed, const SubjectStore& subjects);
} // namespace ScoringReports
