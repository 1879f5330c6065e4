#pragma once
#include <QObject>
#include <QString>
#include <array>
#include <optional>

// The seat's settings: the one row of table Theme in Theme.skn (the windows' "theme" record
// set): the clinic's name, address, six contact lines and the show-logo setting.
class SettingsStore : public QObject {
    Q_OBJECT
public:
    struct Settings {
        QString name; // Theme.Name
        QString address; // Theme.Adress
        std::array<QString, 6> lines{}; // Theme.T1 .. T6 (e-mail, messenger, ..., telephone)
        bool showLogo = false; // Theme.Check1 is "1" (blanks aside)
        // The texts in the order of textColumns(): 0 name, 1 address, 2..7 the lines.
        QString& text(int index) { return index == 0 ? name : index == 1 ? address : lines[index - 2]; }
        const QString& text(int index) const { return const_cast<Settings*>(this)->text(index); }
    };
    // The column of each text, in the settings panel's order: Name, Adress, T1 .. T6.
    static const std::array<const char*, 8>& textColumns();

    explicit SettingsStore(QObject* parent = nullptr);

    // The first row of Theme; nothing when the table has no row or cannot be read.
    std::optional<Settings> load(QString* error = nullptr) const;
    // Writes every value into the first row (a table without a row gets one). Emits changed().
    bool save(const Settings& settings, QString* error = nullptr);
    // Writes only the show-logo setting ("1" or "0"), as the panel's check box does at once.
    // Emits changed().
    bool setShowLogo(bool on, QString* error = nullptr);

signals:
    // After a successful write through this store.
    void changed();
};
