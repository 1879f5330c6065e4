#include "backup/ExitWindow.h"

#include "app/AppSetup.h"
#include "app/Skin.h"
#include "app/Twips.h"
#include "backup/BackupTexts.h"
#include "backup/BackupWindow.h"
#include "backup/ProgramEnd.h"
#include "data/Utf8.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTimer>

namespace {
// Starting a running timer would restart its interval; "enable" leaves it as it is.
void enable(QTimer* t)
{
    if (!t->isActive())
        t->start();
}

const QRect kConfirmRect = Twips::rect(2880, 1500, 1455, 600);
const QRect kCancelRect = Twips::rect(960, 1500, 1455, 600);
} // namespace

QPixmap ExitWindow::picture(Picture which)
{
    const QSize size = kConfirmRect.size();
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);

    const bool confirm = which == Picture::ConfirmNormal || which == Picture::ConfirmHighlighted;
    const bool lit = which == Picture::ConfirmHighlighted || which == Picture::CancelHighlighted;
    const QColor hue = confirm ? QColor(46, 139, 87) : QColor(192, 57, 43);

    // A rounded plate: pale and flat at rest, full colour with a light edge when highlighted.
    const QRectF plate = QRectF(pm.rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    QLinearGradient g(plate.topLeft(), plate.bottomLeft());
    if (lit) {
        g.setColorAt(0, hue.lighter(135));
        g.setColorAt(1, hue.darker(115));
    } else {
        g.setColorAt(0, QColor(245, 245, 245));
        g.setColorAt(1, QColor(215, 215, 215));
    }
    p.setBrush(g);
    p.setPen(QPen(lit ? QColor(255, 230, 120) : hue, lit ? 3 : 1.5));
    p.drawRoundedRect(plate, 9, 9);

    // The sign: a tick for confirm, a cross for cancel.
    const QPointF c = plate.center();
    const qreal r = plate.height() * 0.28;
    QPen sign(lit ? Qt::white : hue, lit ? 5 : 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(sign);
    p.setBrush(Qt::NoBrush);
    if (confirm) {
        QPainterPath tick;
        tick.moveTo(c.x() - r * 1.1, c.y());
        tick.lineTo(c.x() - r * 0.3, c.y() + r * 0.8);
        tick.lineTo(c.x() + r * 1.2, c.y() - r * 0.9);
        p.drawPath(tick);
    } else {
        p.drawLine(QPointF(c.x() - r, c.y() - r), QPointF(c.x() + r, c.y() + r));
        p.drawLine(QPointF(c.x() + r, c.y() - r), QPointF(c.x() - r, c.y() + r));
    }
    return pm;
}

ExitWindow::ExitWindow(std::function<bool()> reopenMain, QWidget* parent)
    : QWidget(parent)
    , m_reopenMain(std::move(reopenMain))
{
    setObjectName("exitpro");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(u(BackupText::ExitCheck));
    setFixedSize(Twips::size(5280, 2400));
    setLayoutDirection(Qt::RightToLeft);
    setMouseTracking(true);
    QFont base = font();
    base.setFamilies(AppSetup::persianFamilies());
    setFont(base);

    m_label1 = new QLabel(u(BackupText::ExitQuestion), this);
    m_label1->setObjectName("Label1");
    m_label1->setGeometry(Twips::rect(120, 180, 5040, 540));
    m_label1->setAlignment(Qt::AlignCenter);
    QFont question = base;
    question.setPointSize(13);
    question.setBold(true);
    m_label1->setFont(question);

    m_check1 = new QCheckBox(u(BackupText::ExitCheck), this);
    m_check1->setObjectName("Check1");
    m_check1->setGeometry(Twips::rect(1320, 840, 2640, 450));

    auto makePicture = [this](const char* name, Picture which, const QRect& where) {
        auto* l = new QLabel(this);
        l->setObjectName(name);
        l->setPixmap(picture(which));
        l->setGeometry(where);
        l->setMouseTracking(true);
        l->installEventFilter(this);
        return l;
    };
    m_k1 = makePicture("k1", Picture::ConfirmNormal, kConfirmRect);
    m_k2 = makePicture("k2", Picture::ConfirmHighlighted, kConfirmRect);
    m_c1 = makePicture("c1", Picture::CancelNormal, kCancelRect);
    m_c2 = makePicture("c2", Picture::CancelHighlighted, kCancelRect);
    m_k2->setCursor(Qt::PointingHandCursor);
    m_c2->setCursor(Qt::PointingHandCursor);

    // The window's cancel button, out of sight: Esc runs the confirm action.
    m_command1 = new QPushButton(this);
    m_command1->setObjectName("Command1");
    m_command1->setGeometry(-2000, -2000, 10, 10);
    m_command1->setShortcut(QKeySequence(Qt::Key_Escape));
    m_command1->setFocusPolicy(Qt::NoFocus);
    connect(m_command1, &QPushButton::clicked, this, &ExitWindow::confirmButtonClicked);

    auto makeTimer = [this](const char* name, void (ExitWindow::*tick)()) {
        auto* t = new QTimer(this);
        t->setObjectName(name);
        t->setInterval(500);
        connect(t, &QTimer::timeout, this, tick);
        return t;
    };
    m_timer2 = makeTimer("Timer2", &ExitWindow::blinkFirst);
    m_timer3 = makeTimer("Timer3", &ExitWindow::blinkSecond);
    m_tmCaptionAnimate = makeTimer("tmCaptionAnimate", &ExitWindow::animateCaption);

    // Opening.
    move(Twips::point(5000, 4500));
    Skin::loadInto(this);
    Form_MouseMove();
    m_timer2->start();
    m_timer3->start();
    m_tmCaptionAnimate->start();
}

BackupWindow* ExitWindow::backupWindow() const { return m_backup.data(); }

void ExitWindow::blinkFirst()
{
    setWindowTitle(u(BackupText::BlinkFirst));
    enable(m_timer3);
    m_timer2->stop();
}

void ExitWindow::blinkSecond()
{
    setWindowTitle(u(BackupText::BlinkSecond));
    enable(m_timer2);
    m_timer3->stop();
}

void ExitWindow::animateCaption()
{
    if (windowTitle().size() < 2)
        setWindowTitle(u(BackupText::BlinkFirst));
    else
        m_check1->setText(windowTitle());
}

void ExitWindow::k1_MouseMove()
{
    m_k1->hide();
    m_k2->show();
}

void ExitWindow::c1_MouseMove()
{
    m_c1->hide();
    m_c2->show();
}

void ExitWindow::Form_MouseMove()
{
    m_k1->show();
    m_c1->show();
    m_k2->hide();
    m_c2->hide();
}

bool ExitWindow::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    const bool picture = watched == m_k1 || watched == m_k2 || watched == m_c1 || watched == m_c2;
    if (picture && (type == QEvent::MouseMove || type == QEvent::Enter)) {
        if (watched == m_k1)
            k1_MouseMove();
        else if (watched == m_c1)
            c1_MouseMove();
        // A move over a picture is its own; passed on to the window it would undo the highlight.
        return type == QEvent::MouseMove;
    } else if (type == QEvent::MouseButtonRelease) {
        // A picture button clicks only in its highlighted look.
        auto* me = static_cast<QMouseEvent*>(event);
        auto* label = qobject_cast<QLabel*>(watched);
        if (me->button() == Qt::LeftButton && label && label->rect().contains(me->position().toPoint())) {
            if (watched == m_k2) {
                confirmPictureClicked();
                return true;
            }
            if (watched == m_c2) {
                cancel();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ExitWindow::mouseMoveEvent(QMouseEvent* event)
{
    Form_MouseMove();
    QWidget::mouseMoveEvent(event);
}

void ExitWindow::confirmPictureClicked() { confirm(); }

void ExitWindow::confirmButtonClicked() { confirm(); }

void ExitWindow::confirm()
{
    if (m_check1->isChecked()) {
        // The program goes on in the backup window; this one stays loaded but hidden.
        if (!m_backup)
            m_backup = new BackupWindow;
        m_backup->show();
        hide();
        return;
    }
    ProgramEnd::quit();
}

void ExitWindow::cancel()
{
    // Cancel: a new main window with its whole start-up, then this window unloads.
    m_unloading = true;
    m_timer2->stop();
    m_timer3->stop();
    m_tmCaptionAnimate->stop();
    if (!m_reopenMain || !m_reopenMain())
        ProgramEnd::quit(); // the start-up failure was reported; nothing is left to show
    close();
}

void ExitWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    // Closed by its close box: no window is left, so the program ends.
    if (!m_unloading) {
        m_unloading = true;
        ProgramEnd::quit();
    }
}
