#pragma once
#include <QString>

// Persian-first reading of what people type. Texts are stored as typed; these foldings are
// applied where a text is read as a number or compared as a name.
namespace PersianText {
// The value 0..9 of an ASCII, Persian (U+06F0..U+06F9) or Arabic-Indic (U+0660..U+0669)
// digit; -1 for any other character.
int digitValue(QChar c);

// The text with every Persian and Arabic-Indic digit replaced by the ASCII digit of the same
// value; everything else unchanged. What a digit field, a number cell or a code argument holds
// is stored in this form.
QString foldDigits(const QString& text);

// The form in which two names compare: Arabic yeh/alef maksura -> Persian yeh, Arabic kaf ->
// keheh, teh marbuta and heh with yeh above -> heh, alef with hamza/madda/wasla -> alef,
// digits -> ASCII; diacritics (U+064B..U+0652, U+0670), tatweel and zero-width non-joiners
// dropped; runs of blanks as one blank, none at either end.
QString foldName(const QString& text);

// The text as it is to be drawn in a right-to-left line: every number set apart as a
// left-to-right run (between U+2066 LEFT-TO-RIGHT ISOLATE and U+2069 POP DIRECTIONAL ISOLATE),
// so that "6." is drawn "6." and ".5" ".5", not ".6" and "5.". A number is a run of digits (any
// of the three sets) with the points, commas, slashes, colons and dashes that join digits, a
// point or minus sign before it, and a percent sign after it; a point after it when the text
// holds no letters of a right-to-left script (a value alone, not the end of a sentence). Only
// for drawing: what is stored, compared and exported stays the text itself.
QString isolateNumbers(const QString& text);
} // namespace PersianText
