#pragma once
#include <QWidget>

class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

// The backup window: copies the main database to a backup file or a backup file back over
// it. It is reached only from the exit window, so every way out of it ends the program.
class BackupWindow : public QWidget {
    Q_OBJECT
public:
    explicit BackupWindow(QWidget* parent = nullptr);

    // The name the save dialog proposes: program name, the date of opening, the clock's time.
    QString defaultBackupName() const;
    // The folder the file dialogs open in ("" when it does not exist: the dialog's default).
    static QString backupFolder();

    // The clock's tick (every second).
    void showTime();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void chooseBackupFile();
    void chooseRestoreFile();
    void backUp(); // BACKUP
    void restore(); // REASTOR
    void showHelp();        // help
    void exitWindow();        // exit
    void hideHelp();        // hide help

    void endProgram();
    QString programTitle() const;
    // After a copy: a close requested meanwhile ends the program now.
    void finishCopy();

    QLineEdit* m_text1 = nullptr;
    QLineEdit* m_text2 = nullptr;
    QLabel* m_dateLabel = nullptr;
    QLabel* m_timeLabel = nullptr;
    QTimer* m_timer1 = nullptr;
    QFrame* m_frame1 = nullptr;
    QPlainTextEdit* m_helpText = nullptr;
    QString m_dialogFileName; // what the file dialog last held
    bool m_busy = false;
    bool m_closeRequested = false;
    bool m_ended = false;
};
