#pragma once
#include <QString>

class MainWindow;

// How the main window opens the windows of the other subsystems. Each subsystem implements
// its own hooks next to its windows, so the main window needs no knowledge of them.
namespace WindowHooks {
// The test window for a code typed at the test launch: it checks that the subject exists
// (its "not found" message is owned by the main window), creates missing answer rows and
// runs modally; this returns when it has closed.
void runTestWindow(MainWindow* main, const QString& code);
// The scoring window, not modal; the main window is shown again when it closes.
void showScoringWindow(MainWindow* main);
// The code look-up window, modal.
void showCodeLookupWindow(MainWindow* main);
// The Excel exchange window, not modal; it disables the main window while it is open.
void showExcelWindow(MainWindow* main);
// The update window, modal.
void showUpdateWindow(MainWindow* main);
// The start-up version check, run once when the main window's start-up timer fires.
void startupVersionCheck(MainWindow* main);
// The exit window, shown when the main window closes (the main window is then unloaded).
void showExitWindow();
} // namespace WindowHooks
