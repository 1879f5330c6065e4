// Placeholders until the look-up and Excel exchange windows exist.
#include "app/WindowHooks.h"

void WindowHooks::showCodeLookupWindow(Frm1*) {}
void WindowHooks::showExcelWindow(Frm1*) {}
