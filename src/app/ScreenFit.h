#pragma once
#include <QGuiApplication>
#include <QScreen>
#include <QSize>
#include <QWidget>

// Windows open at their designed size where the screen has room, and no larger than the part
// of the screen left free by the task bar (a 1366x768 laptop leaves about 1366x728); a window
// whose content is taller then scrolls.
namespace ScreenFit {
inline QSize bounded(const QWidget* window, QSize wanted)
{
    const QScreen* screen = window && window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return wanted;
    // Room for the title bar and frame the window manager adds.
    const QSize room = screen->availableGeometry().size() - QSize(0, 32);
    return wanted.boundedTo(room.expandedTo(QSize(320, 240)));
}
} // namespace ScreenFit
