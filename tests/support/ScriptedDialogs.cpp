#include "ScriptedDialogs.h"

#include "app/SelfClosingMessage.h"

MsgResult ScriptedDialogs::message(QWidget*, const MessageRequest& request)
{
    Shown s;
    s.kind = "message";
    s.message = request;
    shown << s;
    return messageAnswers.isEmpty() ? request.defaultButton : messageAnswers.dequeue();
}

QString ScriptedDialogs::input(QWidget*, const QString& title, const QString& prompt, const QString& defaultText)
{
    Shown s;
    s.kind = "input";
    s.title = title;
    s.prompt = prompt;
    s.defaultText = defaultText;
    shown << s;
    return inputAnswers.isEmpty() ? QString() : inputAnswers.dequeue();
}

QString ScriptedDialogs::fileAnswer(const char* kind, const FileRequest& request)
{
    Shown s;
    s.kind = kind;
    s.file = request;
    s.title = request.title;
    shown << s;
    return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
}

QString ScriptedDialogs::openFile(QWidget*, const FileRequest& request) { return fileAnswer("open", request); }

QString ScriptedDialogs::saveFile(QWidget*, const FileRequest& request) { return fileAnswer("save", request); }

bool ScriptedDialogs::openUrl(const QUrl& url)
{
    Shown s;
    s.kind = "url";
    s.url = url;
    shown << s;
    return true;
}

void ScriptedDialogs::beep()
{
    Shown s;
    s.kind = "beep";
    shown << s;
    ++beeps;
}

QList<MessageRequest> ScriptedDialogs::messages() const
{
    QList<MessageRequest> out;
    for (const Shown& s : shown)
        if (s.kind == "message")
            out << s.message;
    return out;
}

QStringList ScriptedDialogs::selfClosingTexts() const
{
    QStringList out;
    for (const Shown& s : shown)
        if (s.kind == "message" && s.message.caption == QString::fromUtf8(SelfClosingMessage::Caption))
            out << s.message.text;
    return out;
}

void ScriptedDialogs::clear()
{
    shown.clear();
    messageAnswers.clear();
    inputAnswers.clear();
    fileAnswers.clear();
    beeps = 0;
}
