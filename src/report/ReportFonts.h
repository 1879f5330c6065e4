#pragma once
#include <QStringList>

// The Persian font families in order of preference ("B Nazanin", else the display face, else
// Nazli, else Noto Naskh Arabic): the reports and the windows use the same list.
namespace Report {
// The display face built with the program (MeravelNazli.ttf, MeravelNazli-Bold.ttf): Nazli
// drawing the Arabic yeh, alef maksura and kaf in their Persian shapes, so texts written with
// either letter look the same. It stands in for "B Nazanin" on screen and in PDFs.
inline constexpr const char* DisplayFamily = "Meravel Nazli";
// Loads the display face once (from MERAVEL_FONT_DIR, else beside the executable, else
// ../share/meravel); false when it is not there (the other families then serve).
bool loadDisplayFont();

const char* const* fontFamilies(); // ends with nullptr
QStringList persianFamilies(); // loads the display face first
} // namespace Report
