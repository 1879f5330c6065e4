#pragma once
#include <QDialog>
#include <QPointer>

#include "update/DownloadProgressWindow.h"

class QLabel;
class QPushButton;

// The update window: asks the update server whether a newer release exists and, if so,
// hands over to the download progress window. Modal.
class UpdateWindow : public QDialog {
    Q_OBJECT
public:
    explicit UpdateWindow(QWidget* parent = nullptr);

    // The download window this window opened (nullptr when none).
    DownloadProgressWindow* openedProgress() const { return m_progress; }

private:
    void checkForUpdate();
    void cancel();
    void endCheck();

    QLabel* m_label1 = nullptr;
    QLabel* m_skinLabel1 = nullptr;
    QPushButton* m_command1 = nullptr;
    QPushButton* m_command2 = nullptr;
    QPointer<DownloadProgressWindow> m_progress;
};
