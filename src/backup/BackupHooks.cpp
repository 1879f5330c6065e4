// The main window hands over to the exit window when it closes.
#include "app/Twips.h"
#include "app/WindowHooks.h"
#include "backup/ExitWindow.h"

void WindowHooks::showExitWindow()
{
    auto* window = new ExitWindow;
    window->show();
    // The main window places it, after the exit window's own opening placement.
    window->move(Twips::point(5000, 1500));
}
