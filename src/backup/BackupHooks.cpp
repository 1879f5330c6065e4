// The main window hands over to the exit window when it closes.
#include "app/MainWindow.h"
#include "app/Twips.h"
#include "app/WindowHooks.h"
#include "backup/ExitWindow.h"

void WindowHooks::showExitWindow()
{
    // Cancel brings a new main window with its whole start-up.
    auto* window = new ExitWindow([] { return MainWindow::load() != nullptr; });
    window->show();
    // The main window places it, after the exit window's own opening placement.
    window->move(Twips::point(5000, 1500));
}
