#pragma once
#include <QImage>
#include <QObject>
#include <QString>
#include <QVector>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class SettingsStore;

// The settings panel of the main window with its theme and clinic details panels, the logo
// and the show-logo setting. It reads and writes the settings store it is given (whose changed()
// tells the owner of new clinic data) and tells its owner by signals what else it shows (banner,
// skin, logo); the owner places the three panels and connects the signals.
class SettingsPanels : public QObject {
    Q_OBJECT
public:
    // The panels are made as children of `parent`.
    SettingsPanels(SettingsStore& settings, QWidget* parent);

    QFrame* settingsPanel() const { return m_settingsPanel; } // Frame8
    QFrame* themePanel() const { return m_themePanel; } // Frame6
    QFrame* clinicPanel() const { return m_clinicPanel; } // Frame9

    void hideAll();
    void openSettings(); // "تنظيمات"
    void settingsRead(); // shows the stored settings again (fields, check box)
    void loadLogoAtStartUp(); // errors ignored

    // The skin in use, shown by the theme panel when it opens.
    QString skinName() const { return m_skinName; }
    void setSkinName(const QString& name) { m_skinName = name; }

    // The logo box's picture (what the reports print when the show-logo setting is on).
    QImage logoPicture() const { return m_logoShown; }
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

signals:
    // The owner closes every panel and drops an unsaved registration (before a panel opens,
    // and when the settings close).
    void resetRequested();
    // A skin number was chosen (already written to skin.txt): the owner wears it.
    void skinChosen(const QString& name);
    // The clinic-name field was edited (the banner follows it) or set back to the stored name.
    void clinicNameEdited(const QString& name);
    // A new logo was stored (the reports print it).
    void logoChanged(const QImage& logo);

private:
    void buildSettingsPanel(QWidget* parent);
    void buildThemePanel(QWidget* parent);
    void buildClinicPanel(QWidget* parent);
    void showLogoPicture();
    void showSettingsPanel();
    QWidget* dialogOwner() const;

    void openThemePanel();
    void openClinicPanel();
    void chooseLogo();
    void closeSettings();
    void onShowLogoToggled();
    void onThemeNumberChanged();
    void previousTheme();
    void nextTheme();
    void closeThemePanel();
    void saveClinicDetails();
    void cancelClinicDetails();

    void setShowLogoBox(bool on);

    SettingsStore& m_settings;
    QString m_skinName;
    QFrame* m_settingsPanel = nullptr;
    QFrame* m_themePanel = nullptr;
    QFrame* m_clinicPanel = nullptr;
    QLabel* m_logoBox = nullptr; // Picture2
    QCheckBox* m_showLogoBox = nullptr; // Check1
    QLineEdit* m_themeNumber = nullptr; // Txtthema
    QVector<QLineEdit*> m_clinicFields; // Name, Adress, T1..T6
    QImage m_logoShown; // the logo box's picture
    QImage m_logoStored; // the logo file as loaded
    QImage m_logoChosen; // the last chosen picture of this run
    QByteArray m_logoChosenFormat;
    bool m_readingRow = false;
};
