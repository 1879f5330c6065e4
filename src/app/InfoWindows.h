#pragma once

class QWidget;

// The information windows: About (credits and contact) and the questionnaire introduction.
namespace InfoWindows {
void showAbout(QWidget* owner);
void showIntroduction(QWidget* owner);
} // namespace InfoWindows
