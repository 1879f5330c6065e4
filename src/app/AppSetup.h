#pragma once

#include <QFont>
#include <QStringList>

class QApplication;

// Application-wide look shared by the program, the tool and the tests: the Persian font
// ("B Nazanin", else Nazli, else Noto Naskh Arabic) and right-to-left layout.
namespace AppSetup {
void configure(QApplication& app);
// The font families in order of preference.
const char* const* fontFamilies();
QStringList persianFamilies();
// The Persian font of the windows at a size, bold or not.
QFont persianFont(qreal pointSize = 11, bool bold = false);
} // namespace AppSetup
