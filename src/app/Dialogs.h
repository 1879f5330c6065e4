#pragma once
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>

class QWidget;

// Every message box, input box, file dialog, shell open and beep of the program goes through
// this seam. The real implementation shows Qt dialogs; tests install scripted ones
// (tests/support/ScriptedDialogs.h), which record what would have been shown and answer from
// a queue without blocking.
enum class MsgIcon { None, Information, Exclamation, Critical, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MsgResult { Ok, Cancel, Yes, No, Retry };

struct MessageRequest {
    QString text;
    QString caption;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
    bool rightToLeft = false;     // right-to-left reading (the box's text and layout)
    MsgResult defaultButton = MsgResult::Ok;
};

struct FileRequest {
    QString title;
    QString folder;    // initial folder
    QString fileName;  // preset name
    QString filter;    // "Desc|*.ext|Desc2|*.a;*.b" as the windows give it
};

class Dialogs {
public:
    virtual ~Dialogs() = default;

    virtual MsgResult message(QWidget* owner, const MessageRequest& request) = 0;
    // Cancel gives the empty text.
    virtual QString input(QWidget* owner, const QString& title, const QString& prompt,
                          const QString& defaultText) = 0;
    // Cancel gives the empty text.
    virtual QString openFile(QWidget* owner, const FileRequest& request) = 0;
    virtual QString saveFile(QWidget* owner, const FileRequest& request) = 0;
    virtual bool openUrl(const QUrl& url) = 0;
    virtual void beep() = 0;

    // The one instance in use; by default the real Qt dialogs.
    static Dialogs& instance();
    // Installs another instance (not owned); nullptr returns to the real dialogs.
    static void install(Dialogs* dialogs);

    // Convenience for the common one-button box.
    static MsgResult show(QWidget* owner, const QString& text, const QString& caption,
                          MsgIcon icon, MsgButtons buttons = MsgButtons::Ok, bool rightToLeft = false);
};

// Translates "Desc|*.ext|Desc2|*.a;*.b" into Qt's "Desc (*.ext);;Desc2 (*.a *.b)".
QString qtFileFilter(const QString& vbFilter);

// The real dialogs.
class QtDialogs : public Dialogs {
public:
    MsgResult message(QWidget* owner, const MessageRequest& request) override;
    QString input(QWidget* owner, const QString& title, const QString& prompt,
                  const QString& defaultText) override;
    QString openFile(QWidget* owner, const FileRequest& request) override;
    QString saveFile(QWidget* owner, const FileRequest& request) override;
    bool openUrl(const QUrl& url) override;
    void beep() override;
};
