#pragma once
#include <QChar>

// The digit sets an entry box or a workbook cell may hold: the ASCII digits and those a Persian
// or an Arabic keyboard types. Each digit counts by its value.
struct DigitSet {
    const char* name;
    char16_t zero;
    QChar digit(int value) const { return QChar(char16_t(zero + value)); }
};

inline constexpr DigitSet AsciiDigits{"ascii", u'0'};
inline constexpr DigitSet PersianDigits{"persian", 0x06F0};
inline constexpr DigitSet ArabicIndicDigits{"arabic-indic", 0x0660};
inline constexpr DigitSet AllDigitSets[] = {AsciiDigits, PersianDigits, ArabicIndicDigits};
