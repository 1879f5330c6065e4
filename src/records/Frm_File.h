#pragma once
#include <QPointer>
#include <QWidget>

class QFrame;
class QLabel;
class QPushButton;
class QPlainTextEdit;

// The Excel exchange window: selects a subject by code, then imports the subject's answers
// from a filled-in answer workbook. Not modal; the main window is disabled while it is open.
class Frm_File : public QWidget {
    Q_OBJECT
public:
    // Opens the window over the main window (which it disables until it closes).
    static Frm_File* open(QWidget* mainWindow);
    explicit Frm_File(QWidget* mainWindow = nullptr);
    ~Frm_File() override;

    QString selectedCode() const { return m_code; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void clearSelection();

    // handlers, named after the controls
    void Print_Btn_Click();
    void Send_BtnExcel_Click();
    void Down_BtnExcel_Click();
    void Command2_Click();
    void Command1_Click();

    QPointer<QWidget> m_main;
    QString m_code = QStringLiteral("Key"); // matches no subject until one is selected
    QPushButton* m_printBtn = nullptr;
    QPushButton* m_sendBtnExcel = nullptr;
    QPushButton* m_downBtnExcel = nullptr;
    QPushButton* m_command2 = nullptr;
    QPushButton* m_exitBtn = nullptr;
    QLabel* m_name = nullptr;
    QFrame* m_frame1 = nullptr;
    QPlainTextEdit* m_help = nullptr;
};
