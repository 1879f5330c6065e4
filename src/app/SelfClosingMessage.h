#pragma once
#include <QString>

class QWidget;

// The plain message box captioned "پيام" (one OK button, no icon) that closes itself: when the
// box comes up on the screen, the owner's auto-confirm timer is armed, so the box stays the
// whole delay; when it fires it finds the visible box captioned "پيام" and presses its default
// button. Arming it again on the same owner before it fires replaces the pending one.
namespace SelfClosingMessage {
extern const char* const Caption; // "پيام"
void show(QWidget* owner, const QString& text, int delayMs = 1000);
// Arms (or re-arms) the auto-confirm timer of the owner without showing anything.
void armAutoConfirm(QWidget* owner, int delayMs = 1000);
} // namespace SelfClosingMessage
