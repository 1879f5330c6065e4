#include "backup/ExitWindow.h"

#include "app/AppSetup.h"
#include "app/ScreenFit.h"
#include "app/WindowFrame.h"
#include "backup/BackupTexts.h"
#include "backup/BackupWindow.h"
#include "backup/ProgramEnd.h"
#include "data/Utf8.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {
// Starting a running timer would restart its interval; "enable" leaves it as it is.
void enable(QTimer* t)
{
    if (!t->isActive())
        t->start();
}

// The size of each picture of the two picture buttons.
constexpr QSize PictureSize(97, 40);
} // namespace

QPixmap ExitWindow::picture(Picture which)
{
    QPixmap pm(PictureSize);
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
    WindowFrame::prepare(this, "exitpro");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(u(BackupText::ExitCheck));
    setMouseTracking(true);
    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(12, 10, 12, 14);
    rows->setSpacing(10);

    m_question = new QLabel(u(BackupText::ExitQuestion), this);
    m_question->setObjectName("Label1");
    m_question->setAlignment(Qt::AlignCenter);
    m_question->setFont(AppSetup::persianFont(13, true));
    rows->addWidget(m_question);

    m_backupBox = new QCheckBox(u(BackupText::ExitCheck), this);
    m_backupBox->setObjectName("Check1");
    // The label takes on the blinking texts: its room is that of the longest, so the box does
    // not move.
    QFontMetrics metrics = m_backupBox->fontMetrics();
    m_backupBox->setMinimumWidth(m_backupBox->sizeHint().width() - metrics.horizontalAdvance(m_backupBox->text())
                                 + std::max({metrics.horizontalAdvance(u(BackupText::ExitCheck)),
                                             metrics.horizontalAdvance(u(BackupText::BlinkFirst)),
                                             metrics.horizontalAdvance(u(BackupText::BlinkSecond))}));
    rows->addWidget(m_backupBox, 0, Qt::AlignHCenter);

    // Each picture button: its resting and its highlighted picture in one place.
    auto makePicture = [this](QGridLayout* place, const char* name, Picture which) {
        auto* l = new QLabel(this);
        l->setObjectName(name);
        l->setPixmap(picture(which));
        l->setFixedSize(PictureSize);
        l->setMouseTracking(true);
        l->installEventFilter(this);
        // Laid out while hidden too, so the picture shown in its stead is already in place.
        QSizePolicy policy = l->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        l->setSizePolicy(policy);
        place->addWidget(l, 0, 0);
        return l;
    };
    auto* confirmPlace = new QGridLayout;
    auto* cancelPlace = new QGridLayout;
    m_confirmPicture = makePicture(confirmPlace, "k1", Picture::ConfirmNormal);
    m_confirmLit = makePicture(confirmPlace, "k2", Picture::ConfirmHighlighted);
    m_cancelPicture = makePicture(cancelPlace, "c1", Picture::CancelNormal);
    m_cancelLit = makePicture(cancelPlace, "c2", Picture::CancelHighlighted);
    m_confirmLit->setCursor(Qt::PointingHandCursor);
    m_cancelLit->setCursor(Qt::PointingHandCursor);
    auto* pictures = new QHBoxLayout;
    pictures->addStretch();
    pictures->addLayout(confirmPlace); // confirm at the right
    pictures->addSpacing(30);
    pictures->addLayout(cancelPlace);
    pictures->addStretch();
    rows->addLayout(pictures);

    // The window's cancel button is never shown: Esc presses it, and it runs the confirm action.
    m_escapeButton = new QPushButton(this);
    m_escapeButton->setObjectName("Command1");
    m_escapeButton->setFocusPolicy(Qt::NoFocus);
    m_escapeButton->hide();
    connect(m_escapeButton, &QPushButton::clicked, this, &ExitWindow::confirm);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, m_escapeButton,
            &QPushButton::click);

    auto makeTimer = [this](const char* name, void (ExitWindow::*tick)()) {
        auto* t = new QTimer(this);
        t->setObjectName(name);
        t->setInterval(500);
        connect(t, &QTimer::timeout, this, tick);
        return t;
    };
    m_firstBlink = makeTimer("Timer2", &ExitWindow::blinkFirst);
    m_secondBlink = makeTimer("Timer3", &ExitWindow::blinkSecond);
    m_captionFollow = makeTimer("tmCaptionAnimate", &ExitWindow::animateCaption);

    // Opening: skin, size, place on the screen, the pictures at rest, the blinking.
    WindowFrame::finish(this);
    ScreenFit::placeInside(this);
    showRestingPictures();
    m_firstBlink->start();
    m_secondBlink->start();
    m_captionFollow->start();
}

BackupWindow* ExitWindow::backupWindow() const { return m_backup.data(); }

void ExitWindow::blinkFirst()
{
    setWindowTitle(u(BackupText::BlinkFirst));
    enable(m_secondBlink);
    m_firstBlink->stop();
}

void ExitWindow::blinkSecond()
{
    setWindowTitle(u(BackupText::BlinkSecond));
    enable(m_firstBlink);
    m_secondBlink->stop();
}

void ExitWindow::animateCaption()
{
    if (windowTitle().size() < 2)
        setWindowTitle(u(BackupText::BlinkFirst));
    else
        m_backupBox->setText(windowTitle());
}

void ExitWindow::highlightConfirm()
{
    m_confirmPicture->hide();
    m_confirmLit->show();
}

void ExitWindow::highlightCancel()
{
    m_cancelPicture->hide();
    m_cancelLit->show();
}

void ExitWindow::showRestingPictures()
{
    m_confirmPicture->show();
    m_cancelPicture->show();
    m_confirmLit->hide();
    m_cancelLit->hide();
}

bool ExitWindow::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    const bool picture = watched == m_confirmPicture || watched == m_confirmLit || watched == m_cancelPicture
        || watched == m_cancelLit;
    if (picture && (type == QEvent::MouseMove || type == QEvent::Enter)) {
        if (watched == m_confirmPicture)
            highlightConfirm();
        else if (watched == m_cancelPicture)
            highlightCancel();
        // A move over a picture is its own; passed on to the window it would undo the highlight.
        return type == QEvent::MouseMove;
    } else if (type == QEvent::MouseButtonRelease) {
        // A picture button clicks only in its highlighted look.
        auto* me = static_cast<QMouseEvent*>(event);
        auto* label = qobject_cast<QLabel*>(watched);
        if (me->button() == Qt::LeftButton && label && label->rect().contains(me->position().toPoint())) {
            if (watched == m_confirmLit) {
                confirm();
                return true;
            }
            if (watched == m_cancelLit) {
                cancel();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ExitWindow::mouseMoveEvent(QMouseEvent* event)
{
    showRestingPictures();
    QWidget::mouseMoveEvent(event);
}

void ExitWindow::confirm()
{
    if (m_backupBox->isChecked()) {
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
    m_firstBlink->stop();
    m_secondBlink->stop();
    m_captionFollow->stop();
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
