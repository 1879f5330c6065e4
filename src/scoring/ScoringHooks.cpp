// Placeholder until the scoring window exists.
#include "app/WindowHooks.h"

void WindowHooks::showScoringWindow(Frm1*) {}
