#pragma once

#include <QString>

class QWidget;

// The information windows: About (credits and contact) and the questionnaire introduction.
namespace InfoWindows {
void showAbout(QWidget* owner);
void showIntroduction(QWidget* owner);
// The About page as shown: its text with the program's version written in Persian digits.
QString aboutPage();
QString introductionPage();
} // namespace InfoWindows
