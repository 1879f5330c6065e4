#include "WindowFit.h"

#include "TestHelpers.h"
#include "app/AppSetup.h"
#include "questionnaire/QuestionnaireWindow.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QToolButton>
#include <QtTest>

namespace WindowFit {
namespace {
constexpr int TaskBar = 40;
constexpr int TitleBar = 32;

Screen screen(const char* name, int width, int height, qreal scale)
{
    const QSize logical(qRound(width / scale), qRound(height / scale));
    return {QString::fromLatin1(name), logical - QSize(0, TaskBar + TitleBar)};
}

QString size(QSize s) { return QStringLiteral("%1x%2").arg(s.width()).arg(s.height()); }

// The widget a control is measured against: the content of the scroll area it lies in, or
// the window.
QWidget* scrolledContent(QWidget* control, QWidget* window)
{
    for (QWidget* p = control->parentWidget(); p && p != window; p = p->parentWidget()) {
        QWidget* viewport = p->parentWidget();
        if (viewport && qobject_cast<QScrollArea*>(viewport->parentWidget()))
            return p;
    }
    return window;
}

// The part of a control that can be seen inside `top`: its rectangle cut by every parent's.
QRect shownIn(const QWidget* control, const QWidget* top)
{
    QRect r(control->mapTo(top, QPoint(0, 0)), control->size());
    for (const QWidget* p = control->parentWidget(); p && p != top; p = p->parentWidget())
        r &= QRect(p->mapTo(top, QPoint(0, 0)), p->size());
    return r & top->rect();
}

bool isControl(const QWidget* w)
{
    if (auto* label = qobject_cast<const QLabel*>(w))
        return !label->text().trimmed().isEmpty();
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w)
        || qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractSpinBox*>(w)
        || qobject_cast<const QAbstractItemView*>(w) || qobject_cast<const QProgressBar*>(w)
        || (qobject_cast<const QAbstractScrollArea*>(w) && !qobject_cast<const QScrollArea*>(w));
}

QString name(const QWidget* w)
{
    QString text;
    if (auto* b = qobject_cast<const QAbstractButton*>(w))
        text = b->text();
    else if (auto* l = qobject_cast<const QLabel*>(w))
        text = l->text().left(30);
    return QStringLiteral("%1 %2 \"%3\"").arg(QString::fromLatin1(w->metaObject()->className()), w->objectName(), text);
}

// Whether a control's own text fits in it.
QString textFault(const QWidget* w)
{
    const QFontMetrics fm = w->fontMetrics();
    if (auto* label = qobject_cast<const QLabel*>(w)) {
        if (label->textFormat() == Qt::RichText || Qt::mightBeRichText(label->text()))
            return {};
        if (label->wordWrap()) {
            const int needed = label->heightForWidth(label->width());
            return needed > label->height() + 1
                ? QStringLiteral("text needs %1 px of height, has %2").arg(needed).arg(label->height())
                : QString();
        }
        const QSize needed = label->minimumSizeHint();
        if (needed.width() > label->width() + 1 || fm.height() > label->height() + 1)
            return QStringLiteral("text needs %1, has %2").arg(size(needed), size(label->size()));
        return {};
    }
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) {
        if (b->text().isEmpty())
            return {};
        // A tool button that shows only its icon shows no text (the text is its tool tip).
        if (auto* tool = qobject_cast<const QToolButton*>(b);
            tool && tool->toolButtonStyle() == Qt::ToolButtonIconOnly && !tool->icon().isNull())
            return {};
        const bool box = qobject_cast<const QCheckBox*>(b) || qobject_cast<const QRadioButton*>(b);
        // A box whose caption wraps needs its widest word across and its lines' height.
        if (box && b->hasHeightForWidth()) {
            const int height = b->heightForWidth(b->width());
            if (b->minimumSizeHint().width() > b->width() + 1 || height > b->height() + 1)
                return QStringLiteral("wrapped text needs %1x%2, has %3")
                    .arg(b->minimumSizeHint().width())
                    .arg(height)
                    .arg(size(b->size()));
            return {};
        }
        const int needed = box ? b->sizeHint().width() : fm.horizontalAdvance(b->text().remove('&')) + 6;
        if (needed > b->width() + 1 || fm.height() > b->height() + 1)
            return QStringLiteral("text needs %1x%2, has %3").arg(needed).arg(fm.height()).arg(size(b->size()));
    }
    return {};
}
} // namespace

QList<Screen> screens()
{
    return {screen("1280x720 at 100%", 1280, 720, 1.0), screen("1366x768 at 125%", 1366, 768, 1.25),
            screen("1920x1080 at 150%", 1920, 1080, 1.5)};
}

QStringList faces()
{
    QStringList found{QString::fromLatin1(AppSetup::DisplayFamily)};
    const QStringList installed = QFontDatabase::families();
    for (const char* wide : {"Noto Kufi Arabic", "Noto Naskh Arabic", "DejaVu Sans"})
        if (installed.contains(QString::fromLatin1(wide))) {
            found << QString::fromLatin1(wide);
            break;
        }
    return found;
}

void useFace(const QString& family)
{
    QFont font = QApplication::font();
    QStringList families = AppSetup::persianFamilies();
    families.prepend(family);
    font.setFamilies(families);
    QApplication::setFont(font);
}

QStringList faults(QWidget* window, const Screen& screen, const QString& what)
{
    QStringList found;
    const QString where = QStringLiteral("%1, %2 [%3]: ")
                              .arg(what, screen.name, QApplication::font().families().value(0));
    if (!window->isVisible())
        window->show();
    if (!QTest::qWaitForWindowExposed(window))
        return {where + "not shown"};
    QSize minimum = window->minimumSize();
    if (QLayout* layout = window->layout())
        minimum = minimum.expandedTo(layout->totalMinimumSize());
    if (minimum.width() > screen.room.width() || minimum.height() > screen.room.height())
        found << where + QStringLiteral("needs at least %1, the screen gives %2").arg(size(minimum), size(screen.room));
    // The size the window opens at on that screen: what it asks for, no larger than the room.
    window->resize(window->size().expandedTo(window->sizeHint()).boundedTo(screen.room));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::processEvents();
    if (window->width() > screen.room.width() || window->height() > screen.room.height())
        found << where + QStringLiteral("is %1 on a room of %2").arg(size(window->size()), size(screen.room));

    // A window may scroll down where the screen is short, never sideways: a line of Persian
    // read across a scroll bar loses its start.
    for (QScrollArea* area : window->findChildren<QScrollArea*>())
        if (area->window() == window && area->isVisibleTo(window) && area->widget()
            && area->widget()->width() > area->viewport()->width())
            found << where + name(area)
                    + QStringLiteral(" scrolls sideways: %1 of content in %2")
                          .arg(area->widget()->width())
                          .arg(area->viewport()->width());

    for (QWidget* c : window->findChildren<QWidget*>()) {
        if (c->window() != window || !c->isVisibleTo(window) || !isControl(c))
            continue;
        QWidget* top = scrolledContent(c, window);
        if (top != window && !top->isVisibleTo(window))
            continue;
        const QRect whole(c->mapTo(top, QPoint(0, 0)), c->size());
        const QRect shown = shownIn(c, top);
        if (shown != whole)
            found << where + name(c)
                    + QStringLiteral(" is cut: %1 of %2 at %3,%4 shown")
                          .arg(size(shown.size()), size(whole.size()))
                          .arg(whole.x())
                          .arg(whole.y());
        else if (const QString text = textFault(c); !text.isEmpty())
            found << where + name(c) + ": " + text;
    }
    return found;
}

QStringList faultsOnEveryScreen(QWidget* window, const QString& what)
{
    QStringList found;
    for (const Screen& s : screens()) {
        const QSize before = window->size();
        found << faults(window, s, what);
        window->resize(before);
    }
    return found;
}

bool walkTestWindow(const QString& code, const TestWindowScreen& look)
{
    QuestionnaireWindow w;
    if (!w.openFor(code, nullptr))
        return false;
    look(&w, 0, QStringLiteral("test window, start screen"));
    QTest::mouseClick(child<QPushButton>(&w, "CmdStart"), Qt::LeftButton);
    for (int page = 1; page <= QuestionnaireWindow::PageCount; ++page) {
        look(&w, page, QStringLiteral("test window, page %1").arg(page));
        QTest::mouseClick(child<QPushButton>(&w, "CmdNext"), Qt::LeftButton);
    }
    return true;
}
} // namespace WindowFit
