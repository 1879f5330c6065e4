#include "app/SettingsPanels.h"

#include "app/Frm1.h"
#include "app/Twips.h"

#include <QFrame>
#include <QPushButton>

SettingsPanels::SettingsPanels(Frm1* main)
    : QObject(main)
    , m_main(main)
{
    m_frame8 = new QFrame(main);
    m_frame8->setObjectName("Frame8");
    m_frame8->setAutoFillBackground(true);
    m_frame8->setBackgroundRole(QPalette::Highlight);
    m_frame8->setGeometry(Twips::rect(3090, 3660, 5055, 3075));
    auto* exit = new QPushButton(QString::fromUtf8("خروج"), m_frame8);
    exit->setObjectName("Command69");
    exit->setGeometry(Twips::rect(3510, 2355, 1185, 540));
    connect(exit, &QPushButton::clicked, this, &SettingsPanels::Command69_Click);
    m_frame8->hide();
}

void SettingsPanels::hideAll() { m_frame8->hide(); }

void SettingsPanels::openSettings()
{
    m_main->panelReset();
    m_frame8->show();
    m_frame8->raise();
}

void SettingsPanels::settingsRowRead() {}

void SettingsPanels::loadLogoAtStartUp() {}

void SettingsPanels::Command69_Click() { m_main->panelReset(); }
