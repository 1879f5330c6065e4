// The print buttons of the scoring window fill and show the two reports.
#include "scoring/ScoringReports.h"

#include "app/ReportPreview.h"
#include "data/ClinicData.h"
#include "report/SubjectListReport.h"
#include "scoring/ScoringWindow.h"
#include "report/ResultReport.h"
#include "report/RetestReport.h"

void ScoringReports::printSelectedSubject(ScoringWindow* window)
{
    if (!window)
        return;
    RecordSet& settings = window->settingsRecords();
    const ClinicData clinic = window->clinicData();
    // A fresh report every time, so the logo appears only while the setting is on.
    ResultReport report;
    ResultReport::Extras extras;
    extras.norms = window->shownNorms();
    extras.congruence = window->congruence();
    extras.percentileChart = window->percentileChart();
    report.prepare(window->shown(), clinic.showLogo, clinic.logo, settings.value("Adress"), clinic.contactText, extras);
    Report::preview(report.sharedDocument(), window);
    settings.requery();
}

void ScoringReports::printComparison(ScoringWindow* window)
{
    if (!window || !window->comparison())
        return;
    RetestReport report;
    report.fill(window->shown(), window->secondShown(), *window->comparison());
    Report::preview(report.sharedDocument(), window);
}

void ScoringReports::printAllSubjects(ScoringWindow* window)
{
    if (!window)
        return;
    // Every step runs with errors ignored: a failing one is skipped.
    RecordSet& settings = window->settingsRecords();
    const ClinicData clinic = window->clinicData();
    SubjectListReport report;
    report.setDataSourceAllSubjects();
    report.applyClinic(clinic.showLogo, clinic.logo, settings.value("Name"), settings.value("Adress"),
                       clinic.contactText);
    Report::preview(report.sharedDocument(), window);
    window->allSubjects().requery();
}
