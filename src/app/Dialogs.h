#pragma once
#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>

class QWidget;

// Every message box, input box, file dialog, shell open and beep of the program goes through
// this seam. The real implementation shows Qt dialogs; tests install ScriptedDialogs, which
// records what would have been shown and answers from a queue without blocking.
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

// The scripted dialogs of the tests: every call is recorded in `shown`; answers come from
// the queues (a message with an empty queue answers its default button, an input or file
// dialog with an empty queue answers "" as Cancel does).
class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        QString kind;      // "message", "input", "open", "save", "url", "beep"
        MessageRequest message;
        QString title;     // input/file title
        QString prompt;    // input prompt
        QString defaultText;
        FileRequest file;
        QUrl url;
    };

    MsgResult message(QWidget* owner, const MessageRequest& request) override;
    QString input(QWidget* owner, const QString& title, const QString& prompt,
                  const QString& defaultText) override;
    QString openFile(QWidget* owner, const FileRequest& request) override;
    QString saveFile(QWidget* owner, const FileRequest& request) override;
    bool openUrl(const QUrl& url) override;
    void beep() override;

    QList<Shown> shown;
    QQueue<MsgResult> messageAnswers;
    QQueue<QString> inputAnswers;
    QQueue<QString> fileAnswers;
    int beeps = 0;

    // The messages only (kind "message"), in order.
    QList<MessageRequest> messages() const;
    // Texts of the messages captioned "پيام" (the self-closing ones), in order.
    QStringList selfClosingTexts() const;
    void clear();
};

// Installs a ScriptedDialogs for the lifetime of the object.
class ScopedScriptedDialogs : public ScriptedDialogs {
public:
    ScopedScriptedDialogs() { Dialogs::install(this); }
    ~ScopedScriptedDialogs() override { Dialogs::install(nullptr); }
};
