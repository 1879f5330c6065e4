// The main window's look-up and Excel exchange buttons.
#include "app/MainWindow.h"
#include "app/WindowHooks.h"
#include "records/LookupWindow.h"
#include "records/WorkbookWindow.h"

void WindowHooks::showCodeLookupWindow(MainWindow* main)
{
    LookupWindow window(main);
    window.setClinicData([main] { return main->clinicData(); });
    window.exec();
}

void WindowHooks::showExcelWindow(MainWindow* main) { WorkbookWindow::open(main); }
