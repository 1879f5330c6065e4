#include "update/UpdateWindow.h"

#include "app/AppSetup.h"
#include "app/Dialogs.h"
#include "app/WindowFrame.h"
#include "update/DownloadProgressWindow.h"
#include "update/UpdateServer.h"
#include "update/UpdateTexts.h"
#include "update/VersionCheck.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

UpdateWindow::UpdateWindow(QWidget* parent)
    : QDialog(parent)
{
    WindowFrame::prepare(this, "FrmUpdate");
    setModal(true);
    setWindowTitle(ProgramVersion::titleWithVersion());

    // Top to bottom: the program's name and version, the instruction, the two buttons.
    m_versionLabel = new QLabel(ProgramVersion::titleWithVersion(), this);
    m_versionLabel->setObjectName("Label1");
    m_versionLabel->setAlignment(Qt::AlignCenter);
    m_versionLabel->setLayoutDirection(Qt::LeftToRight);
    m_versionLabel->setFont(AppSetup::persianFont(14, true));

    m_instructionLabel = new QLabel(UpdateTexts::Instruction, this);
    m_instructionLabel->setObjectName("SkinLabel1");
    m_instructionLabel->setProperty("skinLabel", true);
    m_instructionLabel->setWordWrap(true);
    m_instructionLabel->setAlignment(Qt::AlignCenter);
    // Wide enough for the instruction to take two lines in whatever face the program uses.
    const QFontMetrics metrics = m_instructionLabel->fontMetrics();
    m_instructionLabel->setMinimumWidth(metrics.horizontalAdvance(UpdateTexts::Instruction) / 2
                                        + 4 * metrics.averageCharWidth());

    m_checkButton = new QPushButton(UpdateTexts::CheckButton, this);
    m_checkButton->setObjectName("Command1");
    m_checkButton->setAutoDefault(false);
    connect(m_checkButton, &QPushButton::clicked, this, &UpdateWindow::checkForUpdate);
    m_exitButton = new QPushButton(UpdateTexts::ExitButton, this);
    m_exitButton->setObjectName("Command2");
    m_exitButton->setAutoDefault(false);
    // Esc closes the dialog (QDialog's reject), which is what the exit button does.
    connect(m_exitButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(16);
    buttons->addWidget(m_checkButton, 1); // the right one in the right-to-left row
    buttons->addWidget(m_exitButton, 1);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 12, 16, 16);
    column->setSpacing(8);
    column->addWidget(m_versionLabel);
    column->addWidget(m_instructionLabel, 1);
    column->addSpacing(8);
    column->addLayout(buttons);
    WindowFrame::finish(this);
}

void UpdateWindow::setChecking(bool checking)
{
    m_checking = checking;
    m_checkButton->setEnabled(!checking);
    m_exitButton->setEnabled(!checking);
    if (checking) {
        setWindowTitle(UpdateTexts::PleaseWait);
        setCursor(Qt::WaitCursor);
    } else {
        setWindowTitle(ProgramVersion::titleWithVersion());
        unsetCursor();
    }
}

void UpdateWindow::reject()
{
    // Esc and the title bar's close wait for the answer, as the exit button does.
    if (!m_checking)
        QDialog::reject();
}

void UpdateWindow::showMessage(const QString& text)
{
    Dialogs::show(this, text, UpdateTexts::MessageCaption, MsgIcon::Information, MsgButtons::Ok, true);
}

void UpdateWindow::checkForUpdate()
{
    m_checkButton->setEnabled(false);
    m_exitButton->setEnabled(false);
    m_answered = false;
    // Without a server or a connection the answer comes at once; otherwise the window waits,
    // its buttons disabled, until the fetch has ended.
    VersionCheck::checkAsync(this, [this](const VersionCheck::Result& result) {
        m_answered = true;
        showOutcome(result);
    });
    if (!m_answered)
        setChecking(true);
}

void UpdateWindow::showOutcome(const VersionCheck::Result& result)
{
    setChecking(false);
    switch (result.outcome) {
    case VersionCheck::Outcome::Newer:
        m_progress = DownloadProgressWindow::open(parentWidget());
        accept();
        return;
    case VersionCheck::Outcome::Latest: showMessage(UpdateTexts::LatestVersion); break;
    case VersionCheck::Outcome::NotConfigured: showMessage(UpdateTexts::NotConfigured); break;
    case VersionCheck::Outcome::NoConnection:
    case VersionCheck::Outcome::FetchFailed:
        // A failed fetch (time-out, refused, server error) reads like a missing connection.
        showMessage(UpdateTexts::NoConnection);
        break;
    }
}
