#pragma once
#include "update/ReleaseManifest.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

class QTemporaryDir;
class FileDownloader;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

// The download progress window: checks the signed release manifest (ReleaseManifest), fetches
// the set-up program of the newest release into a private temporary folder with a bar and a
// percentage, checks it against the manifest right before starting it, starts it and ends
// the program. Not modal; it disables the main window while it is open.
class DownloadProgressWindow : public QWidget {
    Q_OBJECT
public:
    // mainWindow (may be nullptr) is disabled while this window is open.
    explicit DownloadProgressWindow(QWidget* mainWindow = nullptr);
    ~DownloadProgressWindow() override;

    // Creates and shows the window (it deletes itself when closed).
    static DownloadProgressWindow* open(QWidget* mainWindow = nullptr);

    // Starts the set-up program; false when nothing was started. The default starts it
    // directly where it can run (Windows) and elsewhere opens it with the desktop's handler.
    static bool startSetupProgram(const QString& path);
    // Seams for the tests: how the set-up program is started and how the program ends
    // (nullptr returns to the defaults).
    static void setStartProgram(std::function<bool(const QString&)> start);
    static void setEndApplication(std::function<void()> end);

    FileDownloader* downloader() const { return m_fileDownloader; }
    QString setupAddress() const;
    void setSetupAddress(const QString& address);
    int barWidthTwips() const { return m_barTwips; }

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void downloadOrCancel();
    void exitWindow();
    void onDownloadProgress(const QString& percent);
    void onDownloadError(const QString& message);
    void onDownloadComplete();
    void finishDownload(const QString& address, const QString& destination);
    bool fetchManifest();
    void refuseDownload(const QString& file);
    void dropPrivateFolder();
    void setBarTwips(int twips);

    FileDownloader* m_fileDownloader = nullptr;
    QPushButton* m_cmdUpdate = nullptr;
    QPushButton* m_command1 = nullptr;
    QFrame* m_pic1 = nullptr;
    QFrame* m_i1 = nullptr;
    QLabel* m_skinLabel4 = nullptr;
    QLineEdit* m_text = nullptr;
    QLabel* m_addressLabel = nullptr;
    QPointer<QWidget> m_main;
    int m_barTwips = 0;
    bool m_completed = false;
    bool m_closeRequested = false;
    ReleaseManifest::Manifest m_manifest;
    std::unique_ptr<QTemporaryDir> m_privateFolder;
};
