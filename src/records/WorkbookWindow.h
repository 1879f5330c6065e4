#pragma once
#include <QPointer>
#include <QWidget>

class QFrame;
class QLabel;
class QPushButton;
class QPlainTextEdit;

// The Excel exchange window: selects a subject by code, then imports the subject's answers
// from a filled-in answer workbook. Not modal; the main window is disabled while it is open.
class WorkbookWindow : public QWidget {
    Q_OBJECT
public:
    // Opens the window over the main window (which it disables until it closes).
    static WorkbookWindow* open(QWidget* mainWindow);
    explicit WorkbookWindow(QWidget* mainWindow = nullptr);
    ~WorkbookWindow() override;

    QString selectedCode() const { return m_code; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void clearSelection();

    // handlers, named after the controls
    void selectSubject();
    void importWorkbook();
    void downloadWorkbook();
    void showHelp();
    void hideHelp();

    QPointer<QWidget> m_main;
    QString m_code = QStringLiteral("Key"); // matches no subject until one is selected
    QPushButton* m_selectButton = nullptr;
    QPushButton* m_importButton = nullptr; // enabled once a subject is selected
    QPushButton* m_blankWorkbookButton = nullptr;
    QPushButton* m_helpButton = nullptr;
    QPushButton* m_exitButton = nullptr;
    QLabel* m_subjectName = nullptr;
    QFrame* m_helpPanel = nullptr;
    QPlainTextEdit* m_helpText = nullptr;
};
