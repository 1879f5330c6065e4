#pragma once

class ScoringWindow;

// The two print buttons of the scoring window hand over to the result reports here. The
// window has already refused "print the selected subject" when no subject was selected; the
// report reads the window's shown texts (ScoringWindow::shown()), its settings record set and its
// record set of all subjects, and the clinic data the window was given.
namespace ScoringReports {
// The result report of the selected subject, in its preview window.
void printSelectedSubject(ScoringWindow* window);
// The comparison of the two administrations the window shows («مقایسه‌ی دو اجرا»), in its
// preview window.
void printComparison(ScoringWindow* window);
// The subject-list report of all subjects, in its preview window.
void printAllSubjects(ScoringWindow* window);
} // namespace ScoringReports
