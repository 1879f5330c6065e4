#include "app/InfoWindows.h"

#include "app/WindowFrame.h"
#include "update/UpdateServer.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

// Outside any namespace, as Q_INIT_RESOURCE requires: the pages live in a static library and
// nothing else would pull them into the program.
static void initInfoResource() { Q_INIT_RESOURCE(info); }

namespace {
QString resourceText(const QString& path)
{
    initInfoResource();
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QString persianDigits(QString text)
{
    for (QChar& c : text)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            c = QChar(0x06F0 + (c.unicode() - '0'));
    return text;
}

// A page of text asks for a comfortable reading size; a smaller window scrolls it.
class InfoText : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;
    QSize sizeHint() const override
    {
        const QFontMetrics fm = fontMetrics();
        return QSize(28 * fm.height(), 20 * fm.height());
    }
};

void showInfo(QWidget* owner, const char* objectName, const QString& title, const QString& html)
{
    QDialog dialog(owner);
    WindowFrame::prepare(&dialog, objectName);
    dialog.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&dialog);
    auto* text = new InfoText(&dialog);
    text->setObjectName("InfoText");
    text->setOpenExternalLinks(false);
    text->setHtml(html);
    layout->addWidget(text);
    auto* close = new QPushButton(QString::fromUtf8("خروج"), &dialog);
    close->setObjectName("CmdClose");
    QObject::connect(close, &QPushButton::clicked, &dialog, &QDialog::accept);
    layout->addWidget(close, 0, Qt::AlignHCenter);
    WindowFrame::finish(&dialog);
    dialog.exec();
}
} // namespace

namespace InfoWindows {
QString aboutPage()
{
    // "۲٫۵": the version's digits with the Persian decimal separator.
    const QString version = persianDigits(QString::number(ProgramVersion::Major)) + QChar(0x066B)
        + persianDigits(QString::number(ProgramVersion::Minor));
    return resourceText(QStringLiteral(":/info/about.html")).replace(QLatin1String("{version}"), version);
}

void showAbout(QWidget* owner) { showInfo(owner, "About", QString::fromUtf8("درباره ما"), aboutPage()); }

QString introductionPage() { return resourceText(QStringLiteral(":/info/introduction.html")); }

void showIntroduction(QWidget* owner)
{
    showInfo(owner, "Frmravansanji", QString::fromUtf8("معرفي پرسشنامه"), introductionPage());
}
} // namespace InfoWindows
