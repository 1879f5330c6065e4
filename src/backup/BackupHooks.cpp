// The main window hands over to the exit window when it closes.
#include "app/Twips.h"
#include "app/WindowHooks.h"
#include "backup/exitpro.h"

void WindowHooks::showExitWindow()
{
    auto* window = new exitpro;
    window->show();
    // The main window places it, after the exit window's own opening placement.
    window->move(Twips::point(5000, 1500));
}
