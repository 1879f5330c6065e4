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
    // The pointer over a picture button lights it; over the window's background both rest.
    void highlightConfirm();
    void highlightCancel();
    void showRestingPictures();
    void confirm();
    void cancel();

    QLabel* m_question = nullptr;
    QCheckBox* m_backupBox = nullptr;
    QLabel* m_confirmPicture = nullptr; // at rest
    QLabel* m_confirmLit = nullptr; // highlighted: takes the click
    QLabel* m_cancelPicture = nullptr;
    QLabel* m_cancelLit = nullptr;
    QPushButton* m_escapeButton = nullptr; // never shown: Esc presses it, and it confirms
    QTimer* m_firstBlink = nullptr;
    QTimer* m_secondBlink = nullptr;
    QTimer* m_captionFollow = nullptr;
    QPointer<BackupWindow> m_backup;
    std::function<bool()> m_reopenMain;
    bool m_unloading = false; // closing after cancel or hand-over, not by the close box
};
