#pragma once
#include <QGuiApplication>
#include <QScreen>
#include <QSize>
#include <QWidget>

#include <algorithm>

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

// The height a window manager's title bar takes above a window (the room bounded() leaves),
// and the width of its frame at the other sides.
constexpr int TitleBarRoom = 32;
constexpr int FrameRoom = 6;

inline QRect availableArea(const QWidget* window)
{
    const QScreen* screen = window && window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

// Places a window that is about to be shown in the middle of the free part of its screen with
// its client area low enough for the title bar the window manager puts above it: the title bar
// and its close button are on the screen, however the window manager guesses positions.
inline void placeInside(QWidget* window)
{
    const QRect area = availableArea(window);
    if (area.isEmpty())
        return;
    const QSize room = area.size() - QSize(2 * FrameRoom, TitleBarRoom + FrameRoom);
    const QSize size = window->size().boundedTo(room).expandedTo(window->minimumSize());
    const int x = area.left() + FrameRoom + std::max(0, (room.width() - size.width()) / 2);
    const int y = area.top() + TitleBarRoom + std::max(0, (room.height() - size.height()) / 2);
    window->setGeometry(QRect(QPoint(x, y), size));
}

// Once shown and framed: a frame that still reaches past the free part is moved into it.
inline void keepFrameInside(QWidget* window)
{
    const QRect area = availableArea(window);
    const QRect frame = window->frameGeometry();
    if (area.isEmpty() || area.contains(frame))
        return;
    QPoint at = frame.topLeft();
    at.setX(std::max(area.left(), std::min(at.x(), area.right() + 1 - frame.width())));
    at.setY(std::max(area.top(), std::min(at.y(), area.bottom() + 1 - frame.height())));
    window->move(at);
}
} // namespace ScreenFit
