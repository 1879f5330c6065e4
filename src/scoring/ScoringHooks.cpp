// The main window's scoring button opens the scoring window.
#include "app/MainWindow.h"
#include "app/WindowHooks.h"
#include "scoring/ScoringWindow.h"

#include <QPointer>

void WindowHooks::showScoringWindow(MainWindow* main)
{
    // The reports print the clinic data the main window keeps; closing shows it again.
    QPointer<MainWindow> owner(main);
    ScoringWindow::open({[owner] { return owner ? owner->clinicData() : ClinicData::load(); },
                         [owner] {
                             if (owner)
                                 owner->show();
                         }});
}
