// Placeholders until the update windows exist.
#include "app/WindowHooks.h"

void WindowHooks::showUpdateWindow(Frm1*) {}
void WindowHooks::startupVersionCheck(Frm1*) {}
