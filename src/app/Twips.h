#pragma once
#include <QRect>

// Window layouts are given in twips (1/1440 inch); 15 twips make one pixel at 96 dpi.
namespace Twips {
constexpr int toPixels(int twips) { return (twips + 7) / 15; }
inline QRect rect(int left, int top, int width, int height)
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}
inline QPoint point(int left, int top) { return QPoint(toPixels(left), toPixels(top)); }
inline QSize size(int width, int height) { return QSize(toPixels(width), toPixels(height)); }
} // namespace Twips
