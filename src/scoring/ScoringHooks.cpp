// The main window's scoring button opens the scoring window.
#include "app/WindowHooks.h"
#include "scoring/ScoringWindow.h"

void WindowHooks::showScoringWindow(MainWindow* main)
{
    ScoringWindow::open(main);
}
