#pragma once
#include <QObject>

class Frm1;
class QFrame;

// The settings panel of the main window with its theme and clinic details panels, the logo
// and the show-logo setting.
class SettingsPanels : public QObject {
    Q_OBJECT
public:
    explicit SettingsPanels(Frm1* main);

    void hideAll();
    void openSettings();         // "تنظيمات"
    void settingsRowRead();      // refreshes what shows the settings row (banner, check box)
    void loadLogoAtStartUp();    // errors ignored

private:
    void Command69_Click();

    Frm1* m_main;
    QFrame* m_frame8 = nullptr;  // settings panel
};
