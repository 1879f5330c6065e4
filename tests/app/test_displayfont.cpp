// The display face draws the Arabic yeh and kaf in their Persian shapes: a text written with
// either letter gives the same pixels on screen and in a PDF page.
#include "app/AppSetup.h"
#include "data/Utf8.h"
#include "report/BandedReport.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// Texts of the program's own captions, in Arabic letters and in Persian letters.
struct Pair {
    const char* name;
    const char* arabic;
    const char* persian;
};
const Pair Pairs[] = {
    {"button", "كمك براي كارهاي", "کمک برای کارهای"},
    {"final and medial yeh", "نمايش كد آزمودني", "نمایش کد آزمودنی"},
    {"alef maksura", "مصطفى", "مصطفی"},
    {"isolated letters", "ي ك ى", "ی ک ی"},
};

QImage screenImage(const QString& text, const QFont& font)
{
    QLabel label(text);
    label.setFont(font);
    label.setLayoutDirection(Qt::RightToLeft);
    label.setAlignment(Qt::AlignCenter);
    label.setStyleSheet("background: white; color: black;");
    label.resize(420, 70);
    return label.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

int inked(const QImage& image)
{
    const QImage g = image.convertToFormat(QImage::Format_Grayscale8);
    int n = 0;
    for (int y = 0; y < g.height(); ++y)
        for (int x = 0; x < g.width(); ++x)
            n += g.constScanLine(y)[x] < 128;
    return n;
}

// The first page of a one-line report in the report painter's PDF, rasterised by pdftoppm.
QImage pdfImage(const QString& text, const QString& folder, const QString& name)
{
    Report::Document doc;
    doc.title = name;
    doc.reportHeader.height = 900;
    doc.reportHeader.add(Report::Control::textAt("Text", 600, 100, 9000, 700, text, Qt::AlignCenter, 20, true));
    const QString pdf = folder + "/" + name + ".pdf";
    QString error;
    if (!Report::writePdf(doc, pdf, &error)) {
        qWarning("%s", qPrintable(error));
        return QImage();
    }
    QProcess p;
    p.start("pdftoppm", {"-png", "-r", "100", "-f", "1", "-l", "1", "-singlefile", pdf, folder + "/" + name});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QImage();
    return QImage(folder + "/" + name + ".png");
}
} // namespace

class TestDisplayFont : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void faceIsLoaded();
    void samePixelsOnScreen_data();
    void samePixelsOnScreen();
    void samePixelsInPdf();
};

void TestDisplayFont::initTestCase() { AppSetup::configure(*qApp); }

void TestDisplayFont::faceIsLoaded()
{
    QVERIFY(AppSetup::loadDisplayFont());
    QVERIFY(QFontDatabase::families().contains(AppSetup::DisplayFamily));
    // The windows' font and the font asked for by its designed name resolve to the face.
    QCOMPARE(QFontInfo(AppSetup::persianFont(12, true)).family(), QString(AppSetup::DisplayFamily));
    QCOMPARE(QFontInfo(QFont("B Nazanin", 12)).family(), QString(AppSetup::DisplayFamily));
    QVERIFY(QFontInfo(AppSetup::persianFont(12, true)).bold());
}

void TestDisplayFont::samePixelsOnScreen_data()
{
    QTest::addColumn<QString>("arabic");
    QTest::addColumn<QString>("persian");
    for (const Pair& p : Pairs)
        QTest::newRow(p.name) << u(p.arabic) << u(p.persian);
}

void TestDisplayFont::samePixelsOnScreen()
{
    QFETCH(QString, arabic);
    QFETCH(QString, persian);
    for (bool bold : {false, true}) {
        const QFont font = AppSetup::persianFont(16, bold);
        const QImage a = screenImage(arabic, font), p = screenImage(persian, font);
        QVERIFY(!a.isNull());
        QVERIFY2(a == p, bold ? "bold" : "regular");
    }
    // The source face draws the Arabic yeh and kaf differently (a final alef maksura looks like
    // a final Persian yeh anyway), so equal pixels above are the display face's doing.
    QFont nazli("Nazli", 16);
    nazli.setStyleStrategy(QFont::NoFontMerging);
    if (QFontInfo(nazli).family() == "Nazli" && (arabic.contains(QChar(0x064A)) || arabic.contains(QChar(0x0643))))
        QVERIFY(screenImage(arabic, nazli) != screenImage(persian, nazli));
}

void TestDisplayFont::samePixelsInPdf()
{
    if (QStandardPaths::findExecutable("pdftoppm").isEmpty())
        QSKIP("pdftoppm (poppler-utils) is not installed");
    QTemporaryDir dir;
    for (const Pair& pair : Pairs) {
        const QImage a = pdfImage(u(pair.arabic), dir.path(), "arabic");
        const QImage p = pdfImage(u(pair.persian), dir.path(), "persian");
        QVERIFY2(!a.isNull() && !p.isNull(), pair.name);
        QVERIFY2(inked(a) > 100, pair.name); // the text was drawn at all
        QVERIFY2(a == p, pair.name);
    }
}

QTEST_MAIN(TestDisplayFont)
#include "test_displayfont.moc"
