// The print buttons of the scoring window fill and show the reports.
#include "scoring/ScoringReports.h"

#include "app/ReportPreview.h"
#include "data/SubjectStore.h"
#include "report/ResultReport.h"
#include "report/RetestReport.h"
#include "report/SubjectListReport.h"

void ScoringReports::printSelectedSubject(const Printed& printed)
{
    // A fresh report every time, so the logo appears only while the setting is on.
    ResultReport report;
    ResultReport::Extras extras;
    extras.norms = printed.norms;
    extras.congruence = printed.congruence;
    extras.percentileChart = printed.percentileChart;
    const ClinicData& clinic = printed.clinic;
    report.prepare(printed.shown, clinic.showLogo, clinic.logo, printed.settings.address, clinic.contactText, extras);
    Report::preview(report.sharedDocument(), printed.parent);
}

void ScoringReports::printComparison(const Printed& printed)
{
    if (!printed.comparison)
        return;
    RetestReport report;
    report.fill(printed.shown, printed.second, *printed.comparison);
    Report::preview(report.sharedDocument(), printed.parent);
}

void ScoringReports::printAllSubjects(const Printed& printed, const SubjectStore& subjects)
{
    // Every step runs with errors ignored: a failing one is skipped.
    const ClinicData& clinic = printed.clinic;
    SubjectListReport report;
    report.setDataSource(subjects);
    report.applyClinic(clinic.showLogo, clinic.logo, printed.settings.name, printed.settings.address,
                       clinic.contactText);
    Report::preview(report.sharedDocument(), printed.parent);
}
