#pragma once

class QWidget;

// What every window of the program starts and ends with. prepare(): the object name that skins,
// tests and the control names use, right-to-left direction, the Persian face and the skin, so
// that the controls are measured once in the skin's style as they are added (a skin set over
// filled layouts restyles and measures every control again). finish(), once the window's
// layouts are filled: the size the layouts ask for, no larger than the free part of the
// window's screen (a window whose content is taller scrolls there).
namespace WindowFrame {
void prepare(QWidget* window, const char* objectName);
void finish(QWidget* window);
} // namespace WindowFrame
