#pragma once
#include <QStringList>

// The Persian font families in order of preference ("B Nazanin", else Nazli, else Noto Naskh
// Arabic): the reports and the windows use the same list.
namespace Report {
const char* const* fontFamilies(); // ends with nullptr
QStringList persianFamilies();
} // namespace Report
