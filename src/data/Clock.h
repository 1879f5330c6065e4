#pragma once
#include <QDateTime>

// Time behind a seam: registration stamps, the backup window's clock and date read it,
// and tests fix it instead of sleeping.
namespace Clock {
QDateTime now();
// A fixed time for tests; an invalid QDateTime returns to the system clock.
void setFixed(const QDateTime& when);
} // namespace Clock
