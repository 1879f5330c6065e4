#pragma once
#include <QString>

// A text written in the source, Persian included: the sources are UTF-8. The one helper of its
// kind, for the program and the tests alike.
inline QString u(const char* text) { return QString::fromUtf8(text); }
