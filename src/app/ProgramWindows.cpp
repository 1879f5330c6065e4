#include "app/ProgramWindows.h"

#include "app/MainWindow.h"
#include "backup/ExitWindow.h"
#include "questionnaire/QuestionnaireWindow.h"
#include "records/LookupWindow.h"
#include "records/WorkbookWindow.h"
#include "scoring/ScoringWindow.h"
#include "update/UpdateWindow.h"
#include "update/VersionCheck.h"

#include <QPointer>

namespace {
void showScoringWindow(MainWindow* main)
{
    // The reports print the clinic data the main window keeps; closing shows it again.
    QPointer<MainWindow> owner(main);
    ScoringWindow::open({[owner] { return owner ? owner->clinicData() : ClinicData::load(); },
                         [owner] {
                             if (owner)
                                 owner->show();
                         }});
}

void showCodeLookupWindow(MainWindow* main)
{
    LookupWindow window(main);
    window.setClinicData([main] { return main->clinicData(); });
    window.exec();
}

void showUpdateWindow(MainWindow* main)
{
    UpdateWindow window(main);
    window.exec();
}

void startupVersionCheck(MainWindow* main)
{
    // Does not wait for the reply; the notice appears when it arrives. Failures stay silent.
    QPointer<MainWindow> window(main);
    VersionCheck::checkAsync(main, [window](const VersionCheck::Result& result) {
        if (window && result.outcome == VersionCheck::Outcome::Newer)
            window->showUpdateNotice();
    });
}

void showExitWindow()
{
    // Cancel brings a new main window with its whole start-up.
    auto* window = new ExitWindow([] { return MainWindow::load(ProgramWindows::openers()) != nullptr; });
    window->show();
}
} // namespace

WindowOpeners ProgramWindows::openers()
{
    WindowOpeners o;
    // A new test window per launch: it opens on the start screen, and is set back to its
    // start state when it has closed.
    o.runTest = [](MainWindow* main, const QString& code) { QuestionnaireWindow::run(main, code); };
    o.showScoring = showScoringWindow;
    o.showCodeLookup = showCodeLookupWindow;
    o.showExcel = [](MainWindow* main) { WorkbookWindow::open(main); };
    o.showUpdate = showUpdateWindow;
    o.startupVersionCheck = startupVersionCheck;
    o.showExit = showExitWindow;
    return o;
}
