#pragma once
#include "app/WindowOpeners.h"
#include "data/AnswerTables.h"
#include "data/ClinicData.h"
#include "data/RecordSet.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QFrame;
class QTimer;
class RegistrationPanel;
class SettingsPanels;

// The main window: start-up, the menu, the hint line, the panels and the update notice.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    // Creates the main window, which opens the other windows through `openers`, and runs its
    // start-up. Returns nullptr when the start-up failed (the error was reported; the caller
    // ends the program).
    static MainWindow* load(const WindowOpeners& openers);

    ~MainWindow() override;

    // Clinic data for the reports: show-logo setting, logo picture, contact text.
    const ClinicData& clinicData() const { return m_clinic; }
    void rebuildClinicData();
    void setClinicLogo(const QImage& logo) { m_clinic.logo = logo; }
    void setClinicShowLogo(bool on) { m_clinic.showLogo = on; }
    // The banner at the top shows the clinic name.
    void setBannerText(const QString& text);

    QString currentSkinName() const { return m_skinName; }
    void setCurrentSkinName(const QString& name) { m_skinName = name; }

    // Closes the panels and drops an unsaved registration.
    void panelReset();
    // Whether at least one subject is registered (re-read after every saved registration).
    bool isRegistered();
    void rereadRegisteredList();

    void showUpdateNotice();
    bool updateNoticeVisible() const;

    RecordSet& registrationList() { return m_subjects; }
    RecordSet& s2() { return m_answersS2; }
    RecordSet& answers(int table); // AnswerTables::S1..S4
    RecordSet& settings() { return m_theme; }

    void setRegistrationButtonEnabled(bool enabled);
    void setHint(const QString& hint); // empty hides the hint line

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit MainWindow(const WindowOpeners& openers);
    bool startUp(QString* error);
    void buildMenu();
    void buildNotice();
    void openLink(const QString& url);

    // handlers, named after the controls
    void openRegistration();
    void startQuestionnaire();
    void openScoring();
    void openLookup();
    void showIntroduction();
    void openWorkbookWindow();
    void openSettings();
    void showAbout();
    void openUpdate();
    void exitProgram();
    void hideUpdateNotice();
    void openProductList();
    void openChannel();
    void openFontHelp();
    void openMakerSites();
    void checkVersionAtStartUp();

    WindowOpeners m_open;
    RecordSet m_theme, m_subjects, m_registeredSubjects, m_answersS1, m_answersS2, m_answersS3, m_answersS4;
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
};
