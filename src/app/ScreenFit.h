#pragma once
#include <QGuiApplication>
#include <QScreen>
#include <QSize>
#include <QWidget>

// Windows are designed to fit the part of a 1366x768 laptop screen a task bar leaves free
// (1366x728, title bar included); on a smaller screen they open no larger than its free part,
// and a window whose content is taller then scrolls.
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
