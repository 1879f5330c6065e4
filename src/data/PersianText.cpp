#include "data/PersianText.h"

namespace PersianText {
int digitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= 0x06F0 && u <= 0x06F9)
        return u - 0x06F0;
    if (u >= 0x0660 && u <= 0x0669)
        return u - 0x0660;
    return -1;
}

QString foldDigits(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if ((u >= 0x06F0 && u <= 0x06F9) || (u >= 0x0660 && u <= 0x0669))
            c = QChar(u'0' + digitValue(c));
    }
    return out;
}

QString foldName(const QString& text)
{
    QString out;
    out.reserve(text.size());
    bool pendingBlank = false;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x064B && u <= 0x0652) || u == 0x0670 || u == 0x0640 || u == 0x200C)
            continue; // diacritics, tatweel, zero-width non-joiner
        if (c.isSpace()) {
            pendingBlank = !out.isEmpty();
            continue;
        }
        if (pendingBlank) {
            out += QLatin1Char(' ');
            pendingBlank = false;
        }
        switch (u) {
        case 0x064A: // Arabic yeh
        case 0x0649: // alef maksura
            out += QChar(0x06CC);
            break;
        case 0x0643: // Arabic kaf
            out += QChar(0x06A9);
            break;
        case 0x0629: // teh marbuta
        case 0x06C0: // heh with yeh above
            out += QChar(0x0647);
            break;
        case 0x0623: // alef with hamza above
        case 0x0625: // alef with hamza below
        case 0x0671: // alef wasla
        case 0x0622: // alef with madda
            out += QChar(0x0627);
            break;
        default: {
            const int d = digitValue(c);
            out += d >= 0 ? QChar(u'0' + d) : c;
        }
        }
    }
    return out;
}

QString isolateNumbers(const QString& text)
{
    auto isDigit = [](QChar c) { return digitValue(c) >= 0; };
    // In a Persian sentence a point after a number ends the sentence; alone it is the number's.
    bool rightToLeftLetters = false;
    for (QChar c : text)
        if (c.direction() == QChar::DirR || c.direction() == QChar::DirAL) {
            rightToLeftLetters = true;
            break;
        }
    auto joins = [](QChar c) {
        const char16_t u = c.unicode();
        return u == '.' || u == ',' || u == '/' || u == ':' || u == '-' || u == 0x066B || u == 0x066C;
    };
    QString out;
    out.reserve(text.size() + 8);
    const int n = int(text.size());
    int i = 0;
    while (i < n) {
        const int start = i;
        // The start of a number: digits, or a sign or point right before digits.
        bool number = isDigit(text[i]);
        if (!number && (text[i] == '-' || text[i] == '.')) {
            int k = i + 1;
            if (text[i] == '-' && k < n && text[k] == '.')
                ++k;
            number = k < n && isDigit(text[k]);
        }
        if (!number) {
            out += text[i++];
            continue;
        }
        int end = start;
        while (end < n && !isDigit(text[end]))
            ++end; // the sign and point
        for (;;) {
            while (end < n && isDigit(text[end]))
                ++end;
            if (end + 1 < n && joins(text[end]) && isDigit(text[end + 1])) {
                ++end;
                continue;
            }
            break;
        }
        if (end < n && text[end] == '%')
            ++end;
        else if (end < n && text[end] == '.' && !rightToLeftLetters)
            ++end;
        out += QChar(0x2066);
        out += QStringView(text).mid(start, end - start);
        out += QChar(0x2069);
        i = end;
    }
    return out;
}
} // namespace PersianText
