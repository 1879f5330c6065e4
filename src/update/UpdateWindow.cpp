#include "update/UpdateWindow.h"

#include "app/AppSetup.h"
#include "app/Dialogs.h"
#include "app/Skin.h"
#include "app/Twips.h"
#include "update/DownloadProgressWindow.h"
#include "update/UpdateServer.h"
#include "update/UpdateTexts.h"
#include "update/VersionCheck.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

UpdateWindow::UpdateWindow(QWidget* parent)
    : QDialog(parent)
{
    setObjectName("FrmUpdate");
    setModal(true);
    setLayoutDirection(Qt::RightToLeft);
    setFixedSize(Twips::size(5760, 3210));

    QFont persian = font();
    persian.setFamilies(AppSetup::persianFamilies());

    m_label1 = new QLabel(this);
    m_label1->setObjectName("Label1");
    m_label1->setGeometry(Twips::rect(240, 180, 5280, 495));
    m_label1->setAlignment(Qt::AlignCenter);
    m_label1->setLayoutDirection(Qt::LeftToRight);
    QFont big = m_label1->font();
    big.setPointSize(14);
    big.setBold(true);
    m_label1->setFont(big);

    m_skinLabel1 = new QLabel(UpdateTexts::Instruction, this);
    m_skinLabel1->setObjectName("SkinLabel1");
    m_skinLabel1->setProperty("skinLabel", true);
    m_skinLabel1->setGeometry(Twips::rect(240, 780, 5280, 1035));
    m_skinLabel1->setWordWrap(true);
    m_skinLabel1->setAlignment(Qt::AlignCenter);
    m_skinLabel1->setFont(persian);

    m_command1 = new QPushButton(UpdateTexts::CheckButton, this);
    m_command1->setObjectName("Command1");
    m_command1->setGeometry(Twips::rect(3000, 2100, 2280, 615));
    m_command1->setFont(persian);
    m_command1->setAutoDefault(false);
    connect(m_command1, &QPushButton::clicked, this, &UpdateWindow::checkForUpdate);

    m_command2 = new QPushButton(UpdateTexts::ExitButton, this);
    m_command2->setObjectName("Command2");
    m_command2->setGeometry(Twips::rect(480, 2100, 2280, 615));
    m_command2->setFont(persian);
    m_command2->setAutoDefault(false);
    connect(m_command2, &QPushButton::clicked, this, &UpdateWindow::cancel);
    // Esc closes the dialog (QDialog's reject), which is what the exit button does.

    setWindowTitle(ProgramVersion::titleWithVersion());
    m_label1->setText(ProgramVersion::titleWithVersion());
    move(Twips::point(4085, 2745));
    Skin::loadInto(this);
}

void UpdateWindow::endCheck()
{
    setWindowTitle(ProgramVersion::titleWithVersion());
    unsetCursor();
    m_command1->setEnabled(true);
}

void UpdateWindow::checkForUpdate()
{
    m_command1->setEnabled(false);
    if (!UpdateServer::isConfigured()) {
        Dialogs::show(this, UpdateTexts::NotConfigured, UpdateTexts::MessageCaption, MsgIcon::Information,
                      MsgButtons::Ok, true);
        endCheck();
        return;
    }
    if (!InternetConnect::isConnected()) {
        Dialogs::show(this, UpdateTexts::NoConnection, UpdateTexts::MessageCaption, MsgIcon::Information,
                      MsgButtons::Ok, true);
        endCheck();
        return;
    }
    setWindowTitle(UpdateTexts::PleaseWait);
    setCursor(Qt::WaitCursor);
    // Waits at most a few seconds; user input is held back meanwhile.
    const VersionCheck::Result result = VersionCheck::fetchAndCompare();
    switch (result.outcome) {
    case VersionCheck::Outcome::Newer:
        unsetCursor();
        m_progress = DownloadProgressWindow::open(parentWidget());
        accept();
        return;
    case VersionCheck::Outcome::Latest:
        Dialogs::show(this, UpdateTexts::LatestVersion, UpdateTexts::MessageCaption, MsgIcon::Information,
                      MsgButtons::Ok, true);
        break;
    case VersionCheck::Outcome::NotConfigured:
        Dialogs::show(this, UpdateTexts::NotConfigured, UpdateTexts::MessageCaption, MsgIcon::Information,
                      MsgButtons::Ok, true);
        break;
    case VersionCheck::Outcome::NoConnection:
    case VersionCheck::Outcome::FetchFailed:
        // A failed fetch (time-out, refused, server error) reads like a missing connection.
        Dialogs::show(this, UpdateTexts::NoConnection, UpdateTexts::MessageCaption, MsgIcon::Information,
                      MsgButtons::Ok, true);
        break;
    }
    endCheck();
}

void UpdateWindow::cancel() { reject(); }
