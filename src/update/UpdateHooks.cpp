// The main window's entries into the online update.
#include "app/MainWindow.h"
#include "app/WindowHooks.h"
#include "update/UpdateWindow.h"
#include "update/VersionCheck.h"

#include <QPointer>

void WindowHooks::showUpdateWindow(MainWindow* main)
{
    UpdateWindow window(main);
    window.exec();
}

void WindowHooks::startupVersionCheck(MainWindow* main)
{
    // Does not wait for the reply; the notice appears when it arrives. Failures stay silent.
    QPointer<MainWindow> window(main);
    VersionCheck::checkAsync(main, [window](const VersionCheck::Result& result) {
        if (window && result.outcome == VersionCheck::Outcome::Newer)
            window->showUpdateNotice();
    });
}
