#pragma once
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>

class QuestionnaireWindow;
class QWidget;

// The screens every window must fit and the check of one window on them.
namespace WindowFit {
struct Screen {
    QString name;
    // What a window gets there, in logical pixels: the screen less a 40-pixel task bar and a
    // title bar of 32 above the window.
    QSize room;
};
// 1280x720 at 100 %, 1366x768 at 125 % (1093x614 logical), 1920x1080 at 150 % (1280x720).
QList<Screen> screens();

// The faces windows are checked with: the display face, and a wider Persian face installed on
// this machine, standing for another machine's "B Nazanin" (when there is one). useFace()
// makes the application font, and so the windows made after it, use the family.
QStringList faces();
void useFace(const QString& family);

// Lines naming what keeps a window from fitting the room, `what` naming the window's state:
// a minimum size larger than the room; once the window is made as small as the room asks, a
// scroll area whose content is wider than it, a control cut by the window or by a parent
// (inside a scroll area the scrolled content counts as reachable), or a text longer than its
// button or label. The window is shown and left at that size.
QStringList faults(QWidget* window, const Screen& screen, const QString& what);

// faults() on every screen, the window returned to the size it had before each.
QStringList faultsOnEveryScreen(QWidget* window, const QString& what);

// The test window opened on subject `code` and gone through with Start and Next: `look` is shown
// the start screen (page 0) and then each page of the test screen, `what` naming it. False when
// the window does not open.
using TestWindowScreen = std::function<void(QuestionnaireWindow* window, int page, const QString& what)>;
bool walkTestWindow(const QString& code, const TestWindowScreen& look);
} // namespace WindowFit
