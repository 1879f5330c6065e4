#include "app/Dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {
Dialogs* g_installed = nullptr;

QMessageBox::Icon qtIcon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Exclamation: return QMessageBox::Warning;
    case MsgIcon::Critical: return QMessageBox::Critical;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons qtButtons(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MsgButtons::RetryCancel: return QMessageBox::Retry | QMessageBox::Cancel;
    case MsgButtons::Ok: break;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton qtButton(MsgResult r)
{
    switch (r) {
    case MsgResult::Cancel: return QMessageBox::Cancel;
    case MsgResult::Yes: return QMessageBox::Yes;
    case MsgResult::No: return QMessageBox::No;
    case MsgResult::Retry: return QMessageBox::Retry;
    case MsgResult::Ok: break;
    }
    return QMessageBox::Ok;
}

MsgResult fromQt(int button)
{
    switch (button) {
    case QMessageBox::Cancel: return MsgResult::Cancel;
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    case QMessageBox::Retry: return MsgResult::Retry;
    default: return MsgResult::Ok;
    }
}

// An empty folder means the dialog's default folder; a preset name then stands alone.
QString startPath(const FileRequest& request)
{
    if (request.fileName.isEmpty())
        return request.folder;
    return request.folder.isEmpty() ? request.fileName : request.folder + '/' + request.fileName;
}
} // namespace

Dialogs& Dialogs::instance()
{
    static QtDialogs real;
    return g_installed ? *g_installed : real;
}

void Dialogs::install(Dialogs* dialogs) { g_installed = dialogs; }

MsgResult Dialogs::show(QWidget* owner, const QString& text, const QString& caption, MsgIcon icon,
                        MsgButtons buttons, bool rightToLeft)
{
    MessageRequest r;
    r.text = text;
    r.caption = caption;
    r.icon = icon;
    r.buttons = buttons;
    r.rightToLeft = rightToLeft;
    if (buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel)
        r.defaultButton = MsgResult::Yes;
    else if (buttons == MsgButtons::RetryCancel)
        r.defaultButton = MsgResult::Retry;
    return instance().message(owner, r);
}

QString qtFileFilter(const QString& vbFilter)
{
    const QStringList parts = vbFilter.split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        QString desc = parts[i];
        // "All (*.*)" already names its patterns; Qt wants them in one pair of brackets.
        const int paren = desc.indexOf('(');
        if (paren > 0)
            desc = desc.left(paren).trimmed();
        out << desc + " (" + patterns + ")";
    }
    return out.join(";;");
}

MsgResult QtDialogs::message(QWidget* owner, const MessageRequest& request)
{
    QMessageBox box(qtIcon(request.icon), request.caption, request.text, qtButtons(request.buttons), owner);
    box.setDefaultButton(qtButton(request.defaultButton));
    if (request.rightToLeft)
        box.setLayoutDirection(Qt::RightToLeft);
    return fromQt(box.exec());
}

QString QtDialogs::input(QWidget* owner, const QString& title, const QString& prompt, const QString& defaultText)
{
    bool ok = false;
    const QString text = QInputDialog::getText(owner, title, prompt, QLineEdit::Normal, defaultText, &ok);
    return ok ? text : QString();
}

QString QtDialogs::openFile(QWidget* owner, const FileRequest& request)
{
    const QString start = startPath(request);
    return QFileDialog::getOpenFileName(owner, request.title, start, qtFileFilter(request.filter));
}

QString QtDialogs::saveFile(QWidget* owner, const FileRequest& request)
{
    const QString start = startPath(request);
    return QFileDialog::getSaveFileName(owner, request.title, start, qtFileFilter(request.filter), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

bool QtDialogs::openUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }

void QtDialogs::beep() { QApplication::beep(); }
