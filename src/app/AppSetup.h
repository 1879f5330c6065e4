#pragma once

#include <QFont>
#include <QStringList>

class QApplication;

// Application-wide look shared by the program, the tool and the tests: the Persian font
// ("B Nazanin", else the display face, else Nazli, else Noto Naskh Arabic) and right-to-left
// layout.
namespace AppSetup {
// The display face built with the program (MeravelNazli.ttf, MeravelNazli-Bold.ttf): Nazli
// drawing the Arabic yeh, alef maksura and kaf in their Persian shapes, so texts written with
// either letter look the same. It stands in for "B Nazanin" on screen and in PDFs.
inline constexpr const char* DisplayFamily = "Meravel Nazli";
// Loads the display face once (from MERAVEL_FONT_DIR, else beside the executable, else
// ../share/meravel); false when it is not there (the other families then serve).
bool loadDisplayFont();
void configure(QApplication& app);
// The font families in order of preference.
const char* const* fontFamilies();
QStringList persianFamilies();
// The Persian font of the windows at a size, bold or not.
QFont persianFont(qreal pointSize = 11, bool bold = false);
} // namespace AppSetup
