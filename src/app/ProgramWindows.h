#pragma once
#include "app/WindowOpeners.h"

// The program's wiring of the main window to the windows of every subsystem: the test,
// scoring, look-up, Excel exchange, update and exit windows and the start-up version check.
namespace ProgramWindows {
WindowOpeners openers();
} // namespace ProgramWindows
