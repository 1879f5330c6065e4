#pragma once
#include <QByteArray>
#include <QString>

// What a subject's texts may hold, and how they are written where XML carries them.
//
// Every text the program writes into XML (the spreadsheet export) holds only the characters
// XML 1.0 allows: tab, line feed, carriage return, U+0020 to U+D7FF, U+E000 to U+FFFD and
// U+10000 to U+10FFFF. Other characters are dropped, bytes that are no UTF-8 become U+FFFD.
// Names, class and group are refused at entry (registration, a restored or copied file) when
// they hold a character XML forbids or are longer than both engines index.
namespace SubjectText {
// The longest name, class or group, in characters: well inside what SQLite and a server's
// index hold.
constexpr int MaxLength = 100;

// Whether XML 1.0 allows the code point.
constexpr bool isXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

// Appends UTF-8 text as XML character data (also fit for a quoted attribute): & < > " escaped,
// characters XML forbids dropped, bytes that are no UTF-8 written as U+FFFD.
void appendXmlEscaped(QByteArray& out, const char* text, int size);

// Whether the text holds a character XML forbids (a lone surrogate included).
bool hasXmlForbidden(const QString& text);

// The subject columns whose length is capped at MaxLength: FName, LName, Tahsil, Group.
bool isCapped(const QString& column);

// Why a value of an IDE column cannot be stored (a Persian message naming the field), or an
// empty text when it can: a character XML forbids in any column, more than MaxLength
// characters in a capped one.
QString problem(const QString& column, const QString& value);
} // namespace SubjectText
