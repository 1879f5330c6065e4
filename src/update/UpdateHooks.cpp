// The main window's entries into the online update.
#include "app/Frm1.h"
#include "app/WindowHooks.h"
#include "update/FrmUpdate.h"
#include "update/VersionCheck.h"

#include <QPointer>

void WindowHooks::showUpdateWindow(Frm1* main)
{
    FrmUpdate window(main);
    window.exec();
}

void WindowHooks::startupVersionCheck(Frm1* main)
{
    // Does not wait for the reply; the notice appears when it arrives. Failures stay silent.
    QPointer<Frm1> window(main);
    VersionCheck::checkAsync(main, [window](const VersionCheck::Result& result) {
        if (window && result.outcome == VersionCheck::Outcome::Newer)
            window->showUpdateNotice();
    });
}
