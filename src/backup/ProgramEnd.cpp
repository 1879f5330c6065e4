#include "backup/ProgramEnd.h"

#include <QCoreApplication>

namespace {
std::function<void()>& handler()
{
    static std::function<void()> h;
    return h;
}
} // namespace

namespace ProgramEnd {
void quit()
{
    if (handler())
        handler()();
    else
        QCoreApplication::quit();
}

void setHandler(std::function<void()> h) { handler() = std::move(h); }
} // namespace ProgramEnd
