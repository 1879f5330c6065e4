#pragma once

class QWidget;

// What every window of the program starts and ends with. prepare(): the object name that skins,
// tests and the control names use, right-to-left direction and the Persian face. finish(), once
// the window's layouts are filled: the skin, and the size the layouts ask for, no larger than
// the free part of the window's screen (a window whose content is taller scrolls there).
namespace WindowFrame {
void prepare(QWidget* window, const char* objectName);
void finish(QWidget* window);
} // namespace WindowFrame
