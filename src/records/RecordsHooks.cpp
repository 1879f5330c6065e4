// The main window's look-up and Excel exchange buttons.
#include "app/Frm1.h"
#include "app/WindowHooks.h"
#include "records/FrmCode.h"
#include "records/Frm_File.h"

void WindowHooks::showCodeLookupWindow(Frm1* main)
{
    FrmCode window(main);
    window.exec();
}

void WindowHooks::showExcelWindow(Frm1* main) { Frm_File::open(main); }
