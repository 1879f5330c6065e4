#pragma once
#include <QDialog>
#include <QPointer>

#include "update/DownloadProgressWindow.h"

class QLabel;
class QPushButton;
namespace VersionCheck {
struct Result;
}

// The update window: asks the update server whether a newer release exists and, if so,
// hands over to the download progress window. Modal. The check runs from the event loop; its
// buttons are disabled until the answer is in.
class UpdateWindow : public QDialog {
    Q_OBJECT
public:
    explicit UpdateWindow(QWidget* parent = nullptr);

    // The download window this window opened (nullptr when none).
    DownloadProgressWindow* openedProgress() const { return m_progress; }
    bool isChecking() const { return m_checking; }

public slots:
    void reject() override;

private:
    void checkForUpdate();
    void showOutcome(const VersionCheck::Result& result);
    void setChecking(bool checking);
    void showMessage(const QString& text);

    QLabel* m_versionLabel = nullptr;
    QLabel* m_instructionLabel = nullptr;
    QPushButton* m_checkButton = nullptr;
    QPushButton* m_exitButton = nullptr;
    QPointer<DownloadProgressWindow> m_progress;
    bool m_checking = false;
    bool m_answered = false;
};
