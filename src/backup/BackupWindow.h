#pragma once
#include "backup/Backup.h"

#include <QFutureWatcher>
#include <QWidget>

class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStackedLayout;
class QTimer;

// The backup window: copies the main database to a backup file or a backup file back over
// it. It is reached only from the exit window, so every way out of it ends the program.
// A copy runs on a thread of its own; meanwhile the window keeps drawing, its actions are
// disabled, and a request to close it ends the program once the copy is done.
class BackupWindow : public QWidget {
    Q_OBJECT
public:
    explicit BackupWindow(QWidget* parent = nullptr);
    ~BackupWindow() override;

    // The name the save dialog proposes: program name, the date of opening, the clock's time.
    QString defaultBackupName() const;
    // The folder the file dialogs open in ("" when it does not exist: the dialog's default).
    static QString backupFolder();

    // The clock's tick (every second).
    void showTime();

    // Whether a backup or a restore is running (until its result has been shown).
    bool isCopying() const { return m_busy; }

signals:
    // A backup or a restore has ended and its message was shown; done when it succeeded.
    void copyFinished(bool done);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void chooseBackupFile();
    void chooseRestoreFile();
    // The save dialog (a backup) or the open dialog (a restore) in the backup folder, name
    // proposed; the chosen file goes to box and its name to the next dialog.
    void choosePath(QLineEdit* box, const QString& name, bool save);
    // The path in box to back up to or restore from; empty while a copy runs, and when the box
    // is blank (the user is then told emptyMessage).
    QString pathToCopy(const QLineEdit* box, const char* emptyMessage);
    void backUp();
    void restore();
    void showHelp();
    void hideHelp();

    void startCopy(const QFuture<Backup::Result>& copy);
    void copyDone();
    void showBusy(bool busy);
    void endProgram();
    QString programTitle() const;

    QLineEdit* m_backupPath = nullptr;
    QLineEdit* m_restorePath = nullptr;
    QPushButton* m_backupButton = nullptr;
    QPushButton* m_restoreButton = nullptr;
    QPushButton* m_chooseBackupButton = nullptr;
    QPushButton* m_chooseRestoreButton = nullptr;
    QLabel* m_dateLabel = nullptr;
    QLabel* m_timeLabel = nullptr;
    QTimer* m_clock = nullptr;
    QStackedLayout* m_pages = nullptr; // the window's controls, or the help panel over them
    QWidget* m_controls = nullptr;
    QFrame* m_helpPanel = nullptr;
    QPlainTextEdit* m_helpText = nullptr;
    QString m_dialogFileName; // what the file dialog last held
    QFutureWatcher<Backup::Result> m_copy;
    bool m_busy = false;
    bool m_closeRequested = false;
    bool m_ended = false;
};
