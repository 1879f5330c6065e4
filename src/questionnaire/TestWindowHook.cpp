// The main window's test launch opens the test window for the code typed.
#include "app/Frm1.h"
#include "app/WindowHooks.h"
#include "questionnaire/FrmTest.h"

void WindowHooks::runTestWindow(Frm1* main, const QString& code)
{
    // A new window per launch: it opens on the start screen, and is set back to its start
    // state when it has closed.
    FrmTest::run(main, code);
}
