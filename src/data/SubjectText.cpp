#include "data/SubjectText.h"

namespace SubjectText {
namespace {
// The length of the UTF-8 sequence at text[i] and its code point; 0 when the bytes there are
// no UTF-8 (a stray continuation byte, an overlong form, a surrogate, a cut sequence).
int decode(const unsigned char* text, int size, int i, char32_t* code)
{
    const unsigned char b = text[i];
    int length = 0;
    char32_t c = 0;
    char32_t least = 0;
    if (b < 0x80) {
        *code = b;
        return 1;
    } else if (b >= 0xC2 && b <= 0xDF) {
        length = 2, c = b & 0x1F, least = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3, c = b & 0x0F, least = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4, c = b & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (i + length > size)
        return 0;
    for (int k = 1; k < length; ++k) {
        if ((text[i + k] & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (text[i + k] & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    *code = c;
    return length;
}
} // namespace

void appendXmlEscaped(QByteArray& out, const char* text, int size)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    for (int i = 0; i < size;) {
        const unsigned char ch = bytes[i];
        switch (ch) {
        case '&':
            out += "&amp;";
            ++i;
            continue;
        case '<':
            out += "&lt;";
            ++i;
            continue;
        case '>':
            out += "&gt;";
            ++i;
            continue;
        case '"':
            out += "&quot;";
            ++i;
            continue;
        default: break;
        }
        char32_t code = 0;
        const int length = decode(bytes, size, i, &code);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        if (isXmlChar(code))
            out.append(text + i, length);
        i += length;
    }
}

bool hasXmlForbidden(const QString& text)
{
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate() || !isXmlChar(c.unicode()))
            return true;
    }
    return false;
}

bool isCapped(const QString& column)
{
    return column.compare(QLatin1String("FName"), Qt::CaseInsensitive) == 0
        || column.compare(QLatin1String("LName"), Qt::CaseInsensitive) == 0
        || column.compare(QLatin1String("Tahsil"), Qt::CaseInsensitive) == 0
        || column.compare(QLatin1String("Group"), Qt::CaseInsensitive) == 0;
}

namespace {
// The field's name in the messages.
QString label(const QString& column)
{
    static const struct {
        const char* column;
        const char* label;
    } labels[] = {{"Code", "کد آزمودني"}, {"FName", "نام"},  {"LName", "نام خانوادگي"},
                  {"Jens", "جنسيت"},      {"Sen", "سن"},     {"Tahsil", "كلاس"},
                  {"Group", "گروه"},      {"Date", "تاريخ"}, {"Time", "ساعت"}};
    for (const auto& l : labels)
        if (column.compare(QLatin1String(l.column), Qt::CaseInsensitive) == 0)
            return QString::fromUtf8(l.label);
    return column;
}
} // namespace

QString problem(const QString& column, const QString& value)
{
    if (hasXmlForbidden(value))
        return label(column) + QString::fromUtf8(" نويسه اي دارد که نمي توان ذخيره کرد");
    if (isCapped(column) && value.size() > MaxLength)
        return label(column) + QString::fromUtf8(" نبايد بيش از %1 نويسه باشد").arg(MaxLength);
    return QString();
}
} // namespace SubjectText
