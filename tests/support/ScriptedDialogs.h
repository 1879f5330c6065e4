#pragma once
#include "app/Dialogs.h"

#include <QList>
#include <QQueue>

// The scripted dialogs of the tests: every call is recorded in `shown`; answers come from
// the queues (a message with an empty queue answers its default button, an input or file
// dialog with an empty queue answers "" as Cancel does).
class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        QString kind; // "message", "input", "open", "save", "url", "beep"
        MessageRequest message;
        QString title; // input/file title
        QString prompt; // input prompt
        QString defaultText;
        FileRequest file;
        QUrl url;
    };

    MsgResult message(QWidget* owner, const MessageRequest& request) override;
    QString input(QWidget* owner, const QString& title, const QString& prompt, const QString& defaultText) override;
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

private:
    // Notes a file dialog of the kind ("open", "save") and gives the next queued answer.
    QString fileAnswer(const char* kind, const FileRequest& request);
};

// Installs a ScriptedDialogs for the lifetime of the object.
class ScopedScriptedDialogs : public ScriptedDialogs {
public:
    ScopedScriptedDialogs() { Dialogs::install(this); }
    ~ScopedScriptedDialogs() override { Dialogs::install(nullptr); }
};
