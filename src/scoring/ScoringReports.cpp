// Placeholder until the result reports exist: the print buttons do nothing more than the
// scoring window's own check.
#include "scoring/ScoringReports.h"

void ScoringReports::printSelectedSubject(FrmkLID*) {}
void ScoringReports::printAllSubjects(FrmkLID*) {}
