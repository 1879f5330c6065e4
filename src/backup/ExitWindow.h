#pragma once
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;
class QTimer;
class BackupWindow;

// The exit window: the last step of leaving the program. Confirming ends the program or, with
// the backup box ticked, hands over to the backup window; cancelling loads the main window
// anew. Its title and the backup box's label blink while it is shown.
class ExitWindow : public QWidget {
    Q_OBJECT
public:
    // reopenMain brings the program back when the operator cancels: it loads a new main
    // window and answers false when that start-up failed (the program then ends, as it does
    // when there is no reopenMain).
    explicit ExitWindow(std::function<bool()> reopenMain = nullptr, QWidget* parent = nullptr);

    // The pictures of the two picture buttons, drawn here rather than shipped.
    enum class Picture { ConfirmNormal, ConfirmHighlighted, CancelNormal, CancelHighlighted };
    static QPixmap picture(Picture which);

    // The backup window this one handed over to (nullptr until then).
    BackupWindow* backupWindow() const;

    // Blink timers' ticks.
    void blinkFirst();
    void blinkSecond();
    void animateCaption();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void k1_MouseMove();
    void c1_MouseMove();
    void Form_MouseMove();
    void confirmPictureClicked();
    void cancel();
    void confirmButtonClicked();
    void confirm();

    QLabel* m_label1 = nullptr;
    QCheckBox* m_check1 = nullptr;
    QLabel* m_k1 = nullptr;
    QLabel* m_k2 = nullptr;
    QLabel* m_c1 = nullptr;
    QLabel* m_c2 = nullptr;
    QPushButton* m_command1 = nullptr;
    QTimer* m_timer2 = nullptr;
    QTimer* m_timer3 = nullptr;
    QTimer* m_tmCaptionAnimate = nullptr;
    QPointer<BackupWindow> m_backup;
    std::function<bool()> m_reopenMain;
    bool m_unloading = false; // closing after cancel or hand-over, not by the close box
};
