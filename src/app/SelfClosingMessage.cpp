#include "app/SelfClosingMessage.h"

#include "app/Dialogs.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

namespace SelfClosingMessage {
const char* const Caption = "پيام";

namespace {
// The auto-confirm routine: press the default button of the visible box captioned "پيام".
void autoConfirm()
{
    const QString caption = QString::fromUtf8(Caption);
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box || !box->isVisible() || box->windowTitle() != caption)
            continue;
        QAbstractButton* button = box->defaultButton();
        if (!button)
            button = box->button(QMessageBox::Ok);
        if (button)
            button->click();
        return;
    }
}
} // namespace

void armAutoConfirm(QWidget* owner, int delayMs)
{
    // One timer per owner window, identified by its object name; arming replaces the pending one.
    static const char* const timerName = "meravel-auto-confirm-20480";
    QObject* parent = owner ? static_cast<QObject*>(owner) : static_cast<QObject*>(qApp);
    auto* timer = parent->findChild<QTimer*>(timerName, Qt::FindDirectChildrenOnly);
    if (!timer) {
        timer = new QTimer(parent);
        timer->setObjectName(timerName);
        timer->setSingleShot(true);
        QObject::connect(timer, &QTimer::timeout, timer, [] { autoConfirm(); });
    }
    timer->start(delayMs);
}

void show(QWidget* owner, const QString& text, int delayMs)
{
    armAutoConfirm(owner, delayMs);
    Dialogs::show(owner, text, QString::fromUtf8(Caption), MsgIcon::None, MsgButtons::Ok);
}
} // namespace SelfClosingMessage
