#pragma once
#include <QDialog>
#include <QPointer>

#include "update/Progress.h"

class QLabel;
class QPushButton;

// The update window: asks the update server whether a newer release exists and, if so,
// hands over to the download progress window. Modal.
class FrmUpdate : public QDialog {
    Q_OBJECT
public:
    explicit FrmUpdate(QWidget* parent = nullptr);

    // The download window this window opened (nullptr when none).
    Progress* openedProgress() const { return m_progress; }

private:
    void Command1_Click();
    void Command2_Click();
    void endCheck();

    QLabel* m_label1 = nullptr;
    QLabel* m_skinLabel1 = nullptr;
    QPushButton* m_command1 = nullptr;
    QPushButton* m_command2 = nullptr;
    QPointer<Progress> m_progress;
};
