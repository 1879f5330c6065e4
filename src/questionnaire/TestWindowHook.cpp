// The main window's test launch opens the test window for the code typed.
#include "app/MainWindow.h"
#include "app/WindowHooks.h"
#include "questionnaire/QuestionnaireWindow.h"

void WindowHooks::runTestWindow(MainWindow* main, const QString& code)
{
    // A new window per launch: it opens on the start screen, and is set back to its start
    // state when it has closed.
    QuestionnaireWindow::run(main, code);
}
