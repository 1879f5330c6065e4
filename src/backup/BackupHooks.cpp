// Placeholder exit window until the data-safety windows exist: confirm and quit.
#include "app/Dialogs.h"
#include "app/WindowHooks.h"

#include <QApplication>

void WindowHooks::showExitWindow()
{
    QApplication::quit();
}
