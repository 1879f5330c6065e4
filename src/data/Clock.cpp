#include "data/Clock.h"

namespace {
QDateTime& fixedTime()
{
    static QDateTime t;
    return t;
}
} // namespace

namespace Clock {
QDateTime now() { return fixedTime().isValid() ? fixedTime() : QDateTime::currentDateTime(); }
void setFixed(const QDateTime& when) { fixedTime() = when; }
} // namespace Clock
