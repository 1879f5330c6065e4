#pragma once

#include <QFont>
#include <QStringList>

#include "report/ReportFonts.h"

class QApplication;

// Application-wide look shared by the program, the tool and the tests: the Persian font
// ("B Nazanin", else the display face, else Nazli, else Noto Naskh Arabic) and right-to-left
// layout.
namespace AppSetup {
// The display face (see report/ReportFonts.h) and its loading.
inline constexpr const char* DisplayFamily = Report::DisplayFamily;
bool loadDisplayFont();
void configure(QApplication& app);
// The font families in order of preference.
const char* const* fontFamilies();
QStringList persianFamilies();
// The font with the Persian families, unless it already holds the application's Persian face.
QFont withPersianFace(QFont font);
// The Persian font of the windows at a size, bold or not.
QFont persianFont(qreal pointSize = 11, bool bold = false);
// The advance of the widest of `lines` in `font`: measured once per font and lines, as windows
// opened again and again size their help texts alike.
int widestLine(const QFont& font, const QStringList& lines);
} // namespace AppSetup
