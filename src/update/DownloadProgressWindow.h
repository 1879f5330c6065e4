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
// the program. Not modal; it disables the main window while it is open. Everything runs from
// the event loop: while it works its download button cancels, and closing it cancels the
// download first (its partial file goes).
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
    // The bar's share of its track, 0 to 1: the last percentage reported over 100.
    double barShare() const { return m_barShare; }
    // Where the set-up program of the running (or last) download goes.
    QString downloadDestination() const { return m_destination; }
    // Whether a download (or the check of the release before it) is under way.
    bool isBusy() const { return m_busy; }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void downloadOrCancel();
    void setBusy(bool busy);
    void fetchManifest();
    void startDownload();
    void onProgress(const QString& percent);
    void onFailed(const QString& message);
    void onFinished();
    void finishDownload(const QString& destination);
    void refuseDownload(const QString& file);
    void dropPrivateFolder();
    void placeBar();

    FileDownloader* m_fileDownloader = nullptr;
    QPushButton* m_downloadButton = nullptr;
    QPushButton* m_closeButton = nullptr;
    QFrame* m_barTrack = nullptr;
    QFrame* m_bar = nullptr;
    QLabel* m_percentLabel = nullptr;
    QLineEdit* m_addressEdit = nullptr;
    QLabel* m_addressLabel = nullptr;
    QPointer<QWidget> m_main;
    double m_barShare = 0;
    bool m_busy = false;
    bool m_completed = false;
    bool m_closeRequested = false;
    quint64 m_attempt = 0; // answers of an earlier, cancelled attempt are ignored
    QString m_address;
    QString m_destination;
    ReleaseManifest::Manifest m_manifest;
    std::unique_ptr<QTemporaryDir> m_privateFolder;
};
