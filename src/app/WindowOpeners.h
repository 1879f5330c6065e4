#pragma once
#include <QString>

#include <functional>

class MainWindow;

// How the main window opens the windows of the other subsystems: one function each, given to
// the main window when it is loaded (the program's are ProgramWindows::openers()), so the main
// window knows none of those windows. An empty entry opens nothing.
struct WindowOpeners {
    // The test window for a code typed at the test launch: it checks that the subject exists
    // (its "not found" message is owned by the main window), creates missing answer rows and
    // runs modally; this returns when it has closed.
    std::function<void(MainWindow* main, const QString& code)> runTest;
    // The scoring window, not modal; the main window is shown again when it closes.
    std::function<void(MainWindow* main)> showScoring;
    // The code look-up window, modal.
    std::function<void(MainWindow* main)> showCodeLookup;
    // The Excel exchange window, not modal; it disables the main window while it is open.
    std::function<void(MainWindow* main)> showExcel;
    // The update window, modal.
    std::function<void(MainWindow* main)> showUpdate;
    // The start-up version check, run once when the main window's start-up timer fires.
    std::function<void(MainWindow* main)> startupVersionCheck;
    // The exit window, shown when the main window closes (the main window is then unloaded).
    std::function<void()> showExit;
};
