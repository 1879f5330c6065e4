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

namespace {
// Arms the owner's timer when the box comes up rather than before it is made: building and
// laying out the box took up to half of the second it should stay. Armed at its Show event and
// armed again when it is first painted, the moment a person can read it.
class ArmWhenShown : public QObject {
public:
    ArmWhenShown(QWidget* owner, int delayMs)
        : m_owner(owner)
        , m_ownerless(!owner)
        , m_delay(delayMs)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_painted || (event->type() != QEvent::Show && event->type() != QEvent::Paint))
            return false;
        auto* box = qobject_cast<QMessageBox*>(watched);
        if (!box || box->windowTitle() != QString::fromUtf8(Caption) || (!m_ownerless && !m_owner))
            return false;
        m_painted = event->type() == QEvent::Paint;
        armAutoConfirm(m_owner, m_delay);
        return false;
    }

private:
    QPointer<QWidget> m_owner;
    bool m_ownerless;
    int m_delay;
    bool m_painted = false;
};
} // namespace

void show(QWidget* owner, const QString& text, int delayMs)
{
    ArmWhenShown arming(owner, delayMs);
    qApp->installEventFilter(&arming);
    Dialogs::show(owner, text, QString::fromUtf8(Caption), MsgIcon::None, MsgButtons::Ok);
    qApp->removeEventFilter(&arming);
}
} // namespace SelfClosingMessage
