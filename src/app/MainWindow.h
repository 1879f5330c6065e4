#pragma once
#include "app/WindowOpeners.h"
#include "data/ClinicData.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QFrame;
class QTimer;
class ClinicStore;
class SettingsStore;
class SubjectStore;
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
    // Reads the clinic data again (Theme.skn and the logo file); the banner shows its name. Run
    // whenever the settings store tells of a write.
    void rebuildClinicData();

    QString currentSkinName() const;

    // Closes the panels and drops an unsaved registration.
    void panelReset();
    // Whether at least one subject is registered (asked of the subject store each time).
    bool isRegistered();

    void showUpdateNotice();
    bool updateNoticeVisible() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit MainWindow(const WindowOpeners& openers);
    bool startUp(QString* error);
    QWidget* buildMenu();
    QWidget* buildPictureArea();
    QFrame* buildNotice();
    void buildPanels(QWidget* stage);
    void setHint(const QString& hint); // empty hides the hint line
    void openLink(const QString& url);
    void setSkin(const QString& name);
    void onRegistrationSaved();

    // the menu
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
    SubjectStore* m_subjects = nullptr;
    SettingsStore* m_settingsStore = nullptr;
    ClinicStore* m_clinicStore = nullptr;
    ClinicData m_clinic;
    bool m_exiting = false;

    QWidget* m_content = nullptr; // what the window scrolls on a small screen
    QWidget* m_stage = nullptr; // where the panels open over the picture
    QFrame* m_menu = nullptr; // Frame7
    QLabel* m_banner = nullptr; // SkinLabel1
    QLabel* m_version = nullptr; // SkinLabel9
    QLabel* m_hint = nullptr; // SkinLabel2
    QFrame* m_notice = nullptr; // Frame3
    QTimer* m_versionCheckTimer = nullptr; // Timer1
    QPushButton* m_registerButton = nullptr; // Command1
    RegistrationPanel* m_registration = nullptr;
    SettingsPanels* m_settings = nullptr;
};
