#pragma once
#include <functional>

// How the exit and backup windows end the program. By default the application's event loop
// quits; tests install a handler that records the request instead of ending the test run.
namespace ProgramEnd {
void quit();
// An empty handler returns to quitting the application.
void setHandler(std::function<void()> handler);
} // namespace ProgramEnd
