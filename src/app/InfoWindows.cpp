#include "app/InfoWindows.h"

#include "app/Skin.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {
QString resourceText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

void showInfo(QWidget* owner, const char* objectName, const QString& title, const QString& resource)
{
    QDialog dialog(owner);
    dialog.setObjectName(objectName);
    dialog.setWindowTitle(title);
    dialog.setLayoutDirection(Qt::RightToLeft);
    dialog.resize(560, 460);
    auto* layout = new QVBoxLayout(&dialog);
    auto* text = new QTextBrowser(&dialog);
    text->setObjectName("InfoText");
    text->setOpenExternalLinks(false);
    text->setHtml(resourceText(resource));
    layout->addWidget(text);
    auto* close = new QPushButton(QString::fromUtf8("خروج"), &dialog);
    close->setObjectName("CmdClose");
    QObject::connect(close, &QPushButton::clicked, &dialog, &QDialog::accept);
    layout->addWidget(close, 0, Qt::AlignHCenter);
    Skin::loadInto(&dialog);
    dialog.exec();
}
} // namespace

namespace InfoWindows {
void showAbout(QWidget* owner)
{
    showInfo(owner, "About", QString::fromUtf8("درباره ما"), ":/info/about.html");
}

void showIntroduction(QWidget* owner)
{
    showInfo(owner, "Frmravansanji", QString::fromUtf8("معرفي پرسشنامه"), ":/info/introduction.html");
}
} // namespace InfoWindows
