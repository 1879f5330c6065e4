#pragma once
#include <QImage>
#include <QObject>
#include <QString>
#include <QVector>

class MainWindow;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

// The settings panel of the main window with its theme and clinic details panels, the logo
// and the show-logo setting.
class SettingsPanels : public QObject {
    Q_OBJECT
public:
    explicit SettingsPanels(MainWindow* main);

    void hideAll();
    void openSettings();         // "تنظيمات"
    void settingsRowRead();      // refreshes what shows the settings row (fields, banner, check box)
    void loadLogoAtStartUp();    // errors ignored

    // The logo box's picture (what the reports print when the show-logo setting is on).
    QImage logoPicture() const { return m_picture2; }
    bool showLogo() const;

    // Saves a picture to the logo file as a JPEG (quality 90), whatever format it was read
    // from, so that the content is what the name MeravelLogo.jpg says; transparent parts
    // become white. A failing save leaves the previous file in place.
    static bool saveLogo(const QImage& picture, const QByteArray& sourceFormat, const QString& path,
                         QString* error = nullptr);
    static QByteArray logoFormatFor(const QByteArray& sourceFormat);
    // Reads a picture whatever its file name says; a null image when it is none.
    static QImage readPicture(const QString& path, QByteArray* format = nullptr);

    // The skin numbers the theme panel accepts.
    static constexpr int FirstSkin = 1;
    static constexpr int LastSkin = 48;

private:
    void buildSettingsPanel();
    void buildThemePanel();
    void buildClinicPanel();
    void showPicture2();

    // handlers, named after the controls
    void openThemePanel();   // open the theme panel
    void openClinicPanel();   // open the clinic details panel
    void chooseLogo();   // choose the logo
    void closeSettings();   // settings panel exit
    void closeFromEditButton();
    void showLogoToggled();
    void themeNumberChanged();
    void previousTheme();
    void nextTheme();
    void closeThemePanel();   // theme panel exit
    void saveClinicDetails();   // clinic details: save
    void cancelClinicDetails();    // clinic details: cancel
    void clinicNameEdited();      // the clinic-name field

    void setCheck1(bool on);

    MainWindow* m_main;
    QFrame* m_frame8 = nullptr;  // settings panel
    QFrame* m_frame6 = nullptr;  // theme panel
    QFrame* m_frame9 = nullptr;  // clinic details panel
    QLabel* m_picture2Box = nullptr;
    QCheckBox* m_check1 = nullptr;
    QLineEdit* m_txtthema = nullptr;
    QVector<QLineEdit*> m_fields; // Name, Adress, T1..T6
    QImage m_picture2;            // the logo box's picture
    QImage m_image1;              // the logo file as loaded
    QImage m_image2;              // the last chosen picture of this run
    QByteArray m_image2Format;
    bool m_readingRow = false;
    bool m_inChangeRule = false;
};
