#pragma once
#include "app/ClinicData.h"
#include "data/RecordSet.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QFrame;
class QTimer;
class RegistrationPanel;
class SettingsPanels;

// The main window: start-up, the menu, the hint line, the panels and the update notice.
class Frm1 : public QWidget {
    Q_OBJECT
public:
    // Creates the main window and runs its start-up. Returns nullptr when the start-up failed
    // (the error was reported; the caller ends the program).
    static Frm1* load();
    // The loaded main window, or nullptr.
    static Frm1* current();

    ~Frm1() override;

    // Clinic data for the reports: show-logo setting, logo picture, contact text.
    const ClinicData& clinicData() const { return m_clinic; }
    void rebuildClinicData();

    QString currentSkinName() const { return m_skinName; }
    void setCurrentSkinName(const QString& name) { m_skinName = name; }

    // Closes the panels and drops an unsaved registration.
    void panelReset();
    // Whether at least one subject is registered (re-read after every saved registration).
    bool isRegistered();
    void rereadRegisteredList();

    void showUpdateNotice();
    bool updateNoticeVisible() const;

    RecordSet& registrationList() { return m_adodc2; }
    RecordSet& s2() { return m_adodc5; }
    RecordSet& answers(int table); // 1..4: S1..S4
    RecordSet& settings() { return m_adodc1; }

    void setRegistrationButtonEnabled(bool enabled);
    void setHint(const QString& hint); // empty hides the hint line

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit Frm1(QWidget* parent = nullptr);
    bool startUp(QString* error);
    void buildMenu();
    void buildNotice();
    void openLink(const QString& url);

    // handlers, named after the controls
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command11_Click();
    void Command5_Click();
    void Command9_Click();
    void Command12_Click();
    void Command17_Click();
    void Command6_Click();
    void Command13_Click();
    void Command14_Click();
    void Cmandkanal_Click();
    void CmdHelp_Click();
    void Picture1_Click();
    void Timer1_Timer();

    RecordSet m_adodc1, m_adodc2, m_adodc3, m_adodc4, m_adodc5, m_adodc6, m_adodc7;
    ClinicData m_clinic;
    QString m_skinName;
    bool m_exiting = false;

    QFrame* m_frame7 = nullptr;  // main menu
    QLabel* m_banner = nullptr;  // SkinLabel1
    QLabel* m_version = nullptr; // SkinLabel9
    QLabel* m_hint = nullptr;    // SkinLabel2
    QFrame* m_notice = nullptr;  // Frame3
    QTimer* m_timer1 = nullptr;
    QPushButton* m_command1 = nullptr;
    RegistrationPanel* m_registration = nullptr;
    SettingsPanels* m_settings = nullptr;

    friend class RegistrationPanel;
    friend class SettingsPanels;
};
