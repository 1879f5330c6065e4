// The main window's scoring button opens the scoring window.
#include "app/WindowHooks.h"
#include "scoring/FrmkLID.h"

void WindowHooks::showScoringWindow(Frm1* main)
{
    FrmkLID::open(main);
}
