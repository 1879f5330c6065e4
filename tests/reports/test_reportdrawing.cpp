// How the reports and the scoring window draw what they hold, judged from pixels and from the
// PDF, not from the strings: the print preview shows the page the PDF holds (lines that mix
// Persian and numbers included), numbers kept with their point read "6." and not ".6", and
// the preview window opens inside the screen with the report's Persian title.
#include "TestFolder.h"
#include "TestHelpers.h"

#include "app/AppSetup.h"
#include "ScriptedDialogs.h"
#include "app/Dialogs.h"
#include "app/ReportPreview.h"
#include "app/ScreenFit.h"
#include "report/GroupReport.h"
#include "report/ResultReport.h"
#include "scoring/GroupSummary.h"
#include "scoring/Scoring.h"
#include "scoring/ScoringWindow.h"
#include "HostRun.h"

#include <QAction>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QLabel>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QScreen>
#include <QTextLayout>
#include <QtTest>

namespace {
constexpr int Dpi = 100;

// Page 1 of a PDF as pdftoppm draws it, at the given size.
QImage pdfPage(const QString& pdf, QSize size)
{
    const QString base = pdf + "-page";
    HostRun::run("pdftoppm",
                 {"-png", "-f", "1", "-l", "1", "-singlefile", "-scale-to-x", QString::number(size.width()),
                  "-scale-to-y", QString::number(size.height()), hostPath(pdf), hostPath(base)});
    return QImage(base + ".png").convertToFormat(QImage::Format_Grayscale8);
}

// Page 1 as the print preview window shows it: its page item drawn from the preview's own
// scene (the recorded painting the window replays), paper edge to paper edge.
QImage previewPage(QPrintPreviewDialog* preview, QSize size)
{
    auto* view = preview->findChild<QGraphicsView*>();
    if (!view || !view->scene())
        return QImage();
    QGraphicsItem* first = nullptr;
    for (QGraphicsItem* item : view->scene()->items())
        if (!first || item->pos().y() < first->pos().y())
            first = item;
    if (!first)
        return QImage();
    // The item's bounds are the paper with a border on every side.
    const QRectF bounds = first->boundingRect();
    const qreal border = -bounds.left();
    const QRectF paper(0, 0, bounds.width() - 2 * border, bounds.height() - 2 * border);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    view->scene()->render(&painter, QRectF(QPointF(0, 0), QSizeF(size)), first->mapRectToScene(paper));
    painter.end();
    return image.convertToFormat(QImage::Format_Grayscale8);
}

// The parts of two pages that differ: 8 x 8 pixel tiles whose ink differs by more than a
// quarter of the tile, out of the tiles that hold ink on either page.
struct Difference {
    int differing = 0, inked = 0;
};
Difference compare(const QImage& a, const QImage& b)
{
    Difference d;
    const int tile = 8;
    for (int ty = 0; ty + tile <= std::min(a.height(), b.height()); ty += tile)
        for (int tx = 0; tx + tile <= std::min(a.width(), b.width()); tx += tile) {
            int inkA = 0, inkB = 0;
            for (int y = ty; y < ty + tile; ++y) {
                const uchar* ra = a.constScanLine(y);
                const uchar* rb = b.constScanLine(y);
                for (int x = tx; x < tx + tile; ++x) {
                    inkA += ra[x] < 128;
                    inkB += rb[x] < 128;
                }
            }
            if (inkA || inkB)
                ++d.inked;
            if (std::abs(inkA - inkB) > tile * tile / 4)
                ++d.differing;
        }
    return d;
}

// What stands in a picture of one short text, left to right: "d" for a glyph of full height,
// "." for a small mark on the base line (a point).
QString marksLeftToRight(const QImage& picture)
{
    const QImage g = picture.convertToFormat(QImage::Format_Grayscale8);
    struct Part {
        int top = 1 << 30, bottom = -1;
    };
    QList<Part> parts;
    bool inside = false;
    for (int x = 0; x < g.width(); ++x) {
        int top = 1 << 30, bottom = -1;
        for (int y = 0; y < g.height(); ++y)
            if (g.constScanLine(y)[x] < 128) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        if (bottom >= 0) {
            if (!inside)
                parts.append(Part());
            inside = true;
            parts.last().top = std::min(parts.last().top, top);
            parts.last().bottom = std::max(parts.last().bottom, bottom);
        } else {
            inside = false;
        }
    }
    int tallest = 0;
    for (const Part& p : parts)
        tallest = std::max(tallest, p.bottom - p.top + 1);
    QString out;
    for (const Part& p : parts)
        out += (p.bottom - p.top + 1) * 3 < tallest ? '.' : 'd';
    return out;
}

// The text of a rectangle of page 1 (points from the page's top left), as pdftotext reads the
// glyphs there, in their order on the line.
QString pdfTextAt(const QString& pdf, const QRectF& points)
{
    QString text = QString::fromUtf8(
        HostRun::run("pdftotext",
                     {"-f", "1", "-l", "1", "-r", "72", "-x", QString::number(int(points.x())), "-y",
                      QString::number(int(points.y())), "-W", QString::number(int(points.width())), "-H",
                      QString::number(int(points.height())), hostPath(pdf), "-"})
            .out);
    text.remove(QRegularExpression(QStringLiteral("[\\s\\x{200E}\\x{200F}\\x{202A}-\\x{202E}\\x{2066}-\\x{2069}]")));
    return text;
}
} // namespace

class TestReportDrawing : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void previewShowsWhatThePdfHolds_data();
    void previewShowsWhatThePdfHolds();
    void previewWindowInsideTheScreen();
    void wholeStreamScoresReadWithTheirPoint();
    void scoringWindowShowsThePointAfterTheDigits();
    void spreadsheetFormatKeepsThePointAfterTheDigits();

private:
    void scoreAll(const QString& code, int total);
    std::shared_ptr<const Report::Document> document(const QString& which);

    std::unique_ptr<TestFolder> m_folder;
    std::unique_ptr<ResultReport> m_result;
    std::unique_ptr<GroupReport> m_group;
};

void TestReportDrawing::initTestCase()
{
    AppSetup::configure(*qApp);
    if (!HostRun::available("pdftoppm") || !HostRun::available("pdftotext"))
        QSKIP("pdftoppm and pdftotext (poppler-utils) are needed");
}

void TestReportDrawing::init()
{
    m_folder = std::make_unique<TestFolder>();
    QVERIFY(m_folder->isValid());
}

void TestReportDrawing::cleanup()
{
    Report::setPreviewInterceptor({});
    m_result.reset();
    m_group.reset();
    m_folder.reset();
}

void TestReportDrawing::scoreAll(const QString& code, int total)
{
    m_folder->addSubject(code, u("سارا"), u("احمدي"));
    const QString t = QString::number(total);
    QVERIFY(m_folder->exec(QString("UPDATE \"IDE\" SET \"V\"='%1', \"J\"='%1', \"H\"='%1', \"A\"='%1', \"M\"='%1', "
                                   "\"GH\"='%1' WHERE \"Code\"='%2'")
                               .arg(t, code)));
}

std::shared_ptr<const Report::Document> TestReportDrawing::document(const QString& which)
{
    if (which == "result") {
        Scoring::Shown shown;
        if (Scoring::scoreSubject("51", &shown) != Scoring::SubjectStatus::Scored)
            return nullptr;
        m_result = std::make_unique<ResultReport>();
        m_result->prepare(shown, false, QImage(), u("تهران، خيابان آزادي، پلاک 12"), "021-5555\r\n");
        return m_result->sharedDocument();
    }
    GroupSummary::Selection all;
    GroupSummary::Summary summary;
    if (!GroupSummary::compute(all, &summary))
        return nullptr;
    m_group = std::make_unique<GroupReport>();
    m_group->fill(summary, GroupReport::describe(all));
    m_group->applyClinic(false, QImage(), u("کلينيک مشاوره آرامش"), u("تهران"), "021-5555\r\n");
    return m_group->sharedDocument();
}

void TestReportDrawing::previewShowsWhatThePdfHolds_data()
{
    QTest::addColumn<QString>("which");
    QTest::newRow("result report") << "result";
    QTest::newRow("group report") << "group";
}

void TestReportDrawing::previewShowsWhatThePdfHolds()
{
    QFETCH(QString, which);
    // Three subjects, one of them unanswered: "تعداد آزمودنی‌ها: 3", "(0%) 0", "6 از 50".
    scoreAll("51", 6);
    m_folder->addSubject("52");
    scoreAll("53", 20);
    const std::shared_ptr<const Report::Document> doc = document(which);
    QVERIFY(doc);
    const QString pdf = m_folder->file(which + ".pdf");
    QString error;
    QVERIFY2(Report::writePdf(*doc, pdf, &error), qPrintable(error));

    QWidget owner;
    Report::preview(doc, &owner);
    auto* preview = owner.findChild<QPrintPreviewDialog*>();
    QVERIFY(preview);
    QVERIFY(QTest::qWaitForWindowExposed(preview));
    const QSize a4(qRound(210 / 25.4 * Dpi), qRound(297 / 25.4 * Dpi));
    const QImage shown = previewPage(preview, a4);
    const QImage held = pdfPage(pdf, a4);
    QVERIFY(!shown.isNull());
    QVERIFY(!held.isNull());
    const QString shots = qEnvironmentVariable("MERAVEL_SHOTS");
    if (!shots.isEmpty()) {
        shown.save(shots + "/" + which + "-preview.png");
        held.save(shots + "/" + which + "-pdf.png");
    }
    const Difference d = compare(shown, held);
    qInfo("%s: %d of %d inked tiles differ", qPrintable(which), d.differing, d.inked);
    QVERIFY(d.inked > 200);
    QVERIFY2(d.differing * 200 <= d.inked,
             qPrintable(QStringLiteral("%1 of %2 inked tiles differ").arg(d.differing).arg(d.inked)));
    preview->close();
}

void TestReportDrawing::previewWindowInsideTheScreen()
{
    scoreAll("51", 6);
    const std::shared_ptr<const Report::Document> doc = document("result");
    QVERIFY(doc);
    QWidget owner;
    owner.setGeometry(ScreenFit::availableArea(&owner));
    owner.show();
    Report::preview(doc, &owner);
    auto* preview = owner.findChild<QPrintPreviewDialog*>();
    QVERIFY(preview);
    QVERIFY(QTest::qWaitForWindowExposed(preview));
    // The report's Persian title, naming the subject, not its layout name.
    QCOMPARE(preview->windowTitle(), u("کارنامه 51"));
    // Inside the free part of the screen, with room above it for the title bar the window
    // manager adds (its close button must be reachable).
    const QRect area = ScreenFit::availableArea(preview);
    QVERIFY2(area.contains(preview->frameGeometry()),
             qPrintable(QStringLiteral("%1,%2 %3x%4")
                            .arg(preview->frameGeometry().x())
                            .arg(preview->frameGeometry().y())
                            .arg(preview->width())
                            .arg(preview->height())));
    QVERIFY2(preview->geometry().top() >= area.top() + ScreenFit::TitleBarRoom,
             qPrintable(QString::number(preview->geometry().top())));
    // Saving proposes a file named after the report and the subject.
    ScopedScriptedDialogs d;
    auto* save = preview->findChild<QAction*>("savePdf");
    QVERIFY(save);
    save->trigger();
    QCOMPARE(d.shown.size(), 1);
    QCOMPARE(d.shown[0].file.fileName, u("کارنامه 51.pdf"));
    preview->close();
}

void TestReportDrawing::wholeStreamScoresReadWithTheirPoint()
{
    // All totals equal: some stream scores are whole and keep their point ("4.").
    scoreAll("51", 6);
    Scoring::Shown shown;
    QCOMPARE(Scoring::scoreSubject("51", &shown), Scoring::SubjectStatus::Scored);
    const std::shared_ptr<const Report::Document> doc = document("result");
    QVERIFY(doc);
    const QString pdf = m_folder->file("result.pdf");
    QVERIFY(Report::writePdf(*doc, pdf));
    // The stream cells: where the layout puts them on the page (A4, 8 mm side margins,
    // 10 mm at the top, the report centred across the width).
    const qreal twip = 1.0 / 20; // points
    const qreal width = (210 - 16) / 25.4 * 72;
    const qreal left = 8 / 25.4 * 72 + (width - doc->width * twip) / 2, top = 10 / 25.4 * 72;
    const char* labels[6] = {"Label54", "Label56", "Label57", "Label60", "Label62", "Label63"};
    int whole = 0;
    for (const char* label : labels) {
        const Report::Control* c = const_cast<Report::Document&>(*doc).control("Section1", label);
        QVERIFY(c);
        if (!c->text.endsWith('.'))
            continue;
        ++whole;
        const QRectF cell(left + c->left * twip, top + c->top * twip, c->width * twip, c->height * twip);
        // The glyphs in the cell, in their order on the line: the point after the digits.
        QCOMPARE(pdfTextAt(pdf, cell.adjusted(1, 1, -1, -1)), c->text);
    }
    QVERIFY(whole > 0);

    // Drawn by the report painter alone, in pixels: digits, then the point.
    Report::Document one;
    one.width = 2000;
    one.detail.height = 600;
    one.detail.add(Report::Control::cellAt("Value", 200, 100, 800, 327, "6.", false, 20));
    one.rows = {QStringList()};
    const QString single = m_folder->file("single.pdf");
    QVERIFY(Report::writePdf(one, single));
    const QImage page = pdfPage(single, QSize(827, 1169));
    // The cell's inside, clear of its border.
    const int x0 = qRound((8 / 25.4 + (width / 72 - 2000 / 1440.0) / 2 + 260 / 1440.0) * Dpi);
    const int y0 = qRound((10 / 25.4 + 130 / 1440.0) * Dpi);
    const QImage inside = page.copy(x0, y0, qRound(680 / 1440.0 * Dpi), qRound(270 / 1440.0 * Dpi));
    QCOMPARE(marksLeftToRight(inside), QString("d."));
}

void TestReportDrawing::scoringWindowShowsThePointAfterTheDigits()
{
    scoreAll("51", 6);
    ScopedScriptedDialogs d;
    auto* window = new ScoringWindow;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    d.inputAnswers.enqueue("51");
    QTest::mouseClick(window->findChild<QPushButton*>("Command1"), Qt::LeftButton);
    int whole = 0;
    for (int i = 1; i <= 6; ++i) {
        auto* label = window->findChild<QLabel*>(QStringLiteral("stream%1").arg(i));
        QVERIFY(label);
        if (!label->text().endsWith('.'))
            continue;
        ++whole;
        QVERIFY(!label->text().startsWith('.'));
        // Its text as the window draws it, inside the frame.
        const QImage shot = label->grab(label->contentsRect().adjusted(3, 3, -3, -3)).toImage();
        const QString marks = marksLeftToRight(shot);
        QVERIFY2(marks.endsWith('.') && !marks.startsWith('.'), qPrintable(label->text() + " drawn as " + marks));
    }
    QVERIFY(whole > 0);
    delete window;
}

void TestReportDrawing::spreadsheetFormatKeepsThePointAfterTheDigits()
{
    // The export's two-place format shows a whole value as "4." between left-to-right marks;
    // laid out in the right-to-left sheet, the point stays after the digits.
    const QString shownByFormat = QString(QChar(0x200E)) + "4." + QChar(0x200E);
    QFont font(AppSetup::persianFamilies().first());
    font.setPixelSize(40);
    QTextLayout layout(shownByFormat, font);
    QTextOption option(Qt::AlignRight | Qt::AlignAbsolute);
    option.setTextDirection(Qt::RightToLeft);
    layout.setTextOption(option);
    layout.beginLayout();
    layout.createLine().setLineWidth(300);
    layout.endLayout();
    QImage image(320, 80, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        p.setPen(Qt::black);
        layout.draw(&p, QPointF(10, 10));
    }
    QCOMPARE(marksLeftToRight(image), QString("d."));
}

QTEST_MAIN(TestReportDrawing)
#include "test_reportdrawing.moc"
