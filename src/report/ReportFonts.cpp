#include "report/ReportFonts.h"

namespace Report {
const char* const* fontFamilies()
{
    static const char* const families[] = {"B Nazanin", "Nazli", "Noto Naskh Arabic", nullptr};
    return families;
}

QStringList persianFamilies()
{
    QStringList families;
    for (const char* const* f = fontFamilies(); *f; ++f)
        families << QString::fromLatin1(*f);
    return families;
}
} // namespace Report
