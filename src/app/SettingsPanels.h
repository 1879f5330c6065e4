#pragma once
#include <QImage>
#include <QObject>
#include <QString>
#include <QVector>

class Frm1;
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
    explicit SettingsPanels(Frm1* main);

    void hideAll();
    void openSettings();         // "تنظيمات"
    void settingsRowRead();      // refreshes what shows the settings row (fields, banner, check box)
    void loadLogoAtStartUp();    // errors ignored

    // The logo box's picture (what the reports print when the show-logo setting is on).
    QImage logoPicture() const { return m_picture2; }
    bool showLogo() const;

    // Saves a picture to the logo file in the format the logo rule gives for the format it
    // was read from: bitmaps and icons keep their format, everything else becomes a bitmap.
    // The name stays MeravelLogo.jpg; readers recognise the format from the content.
    // A failing save leaves the previous file in place.
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
    void Command68_Click();   // open the theme panel
    void Command67_Click();   // open the clinic details panel
    void Command65_Click();   // choose the logo
    void Command69_Click();   // settings panel exit
    void Cmndedit_Click();
    void Check1_Click();
    void Txtthema_Change();
    void Comdtback_Click();
    void Comdtnext_Click();
    void Command46_Click();   // theme panel exit
    void Command64_Click();   // clinic details: save
    void Command7_Click();    // clinic details: cancel
    void Text1_Change();      // the clinic-name field

    void setCheck1(bool on);

    Frm1* m_main;
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
