#include "report/BandedReport.h"

#include "data/PersianText.h"
#include "data/PrivateFile.h"
#include "report/ReportFonts.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>
#include <QTextOption>
#include <cmath>

namespace Report {

Control Control::textAt(const QString& name, int left, int top, int width, int height, const QString& text,
                        Qt::Alignment alignment, qreal pointSize, bool bold)
{
    Control c;
    c.name = name;
    c.left = left;
    c.top = top;
    c.width = width;
    c.height = height;
    c.text = text;
    c.alignment = alignment;
    c.pointSize = pointSize;
    c.bold = bold;
    return c;
}

Control Control::drawingAt(const QString& name, int left, int top, int width, int height,
                           std::function<void(QPainter&, const QRectF&)> draw)
{
    Control c;
    c.kind = Kind::Drawing;
    c.name = name;
    c.left = left;
    c.top = top;
    c.width = width;
    c.height = height;
    c.draw = std::move(draw);
    return c;
}

Control Control::lineBetween(int x1, int y1, int x2, int y2, int lineWidth, const QColor& color)
{
    Control c;
    c.kind = Kind::Line;
    c.left = x1;
    c.top = y1;
    c.width = x2 - x1;
    c.height = y2 - y1;
    c.lineWidth = lineWidth;
    c.color = color;
    return c;
}

Control Control::cellAt(const QString& name, int left, int top, int width, int height, const QString& text,
                        bool heading, qreal pointSize)
{
    Control c = textAt(name, left, top, width, height, text, Qt::AlignCenter, pointSize, heading);
    c.border = true;
    c.lineWidth = 10;
    if (heading)
        c.background = QColor(224, 224, 224);
    return c;
}

void addClinicHeader(Band& header, const QString& nameLabel, int nameWidth, const QString& titleLabel, int titleWidth,
                     const QString& title)
{
    header.name = QStringLiteral("Section4");
    header.height = 1447;
    header.background = QColor(192, 192, 192);
    Control logo;
    logo.kind = Control::Kind::Image;
    logo.name = QStringLiteral("Image3");
    logo.left = 96;
    logo.top = 96;
    logo.width = 1440;
    logo.height = 1227;
    header.add(logo);
    header.add(Control::textAt(nameLabel, 1440, 113, nameWidth, 510, QString(), Qt::AlignCenter, 16, true));
    header.add(Control::textAt(titleLabel, 1440, 756, titleWidth, 510, title, Qt::AlignCenter, 14, true));
}

Control* Band::find(const QString& controlName)
{
    for (Control& c : controls)
        if (c.name.compare(controlName, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

const Control* Band::find(const QString& controlName) const
{
    return const_cast<Band*>(this)->find(controlName);
}

Document::Document()
{
    reportHeader.name = "ReportHeader";
    pageHeader.name = "PageHeader";
    detail.name = "Detail";
    pageFooter.name = "PageFooter";
    reportFooter.name = "ReportFooter";
}

std::shared_ptr<Document> Document::create(const char* title, const QString& displayTitle, int width)
{
    auto d = std::make_shared<Document>();
    d->title = QString::fromLatin1(title);
    d->displayTitle = displayTitle;
    d->fileName = displayTitle;
    d->width = width;
    d->nameSections();
    return d;
}

void Document::nameSections()
{
    detail.name = QStringLiteral("Section1");
    pageHeader.name = QStringLiteral("Section2");
    pageFooter.name = QStringLiteral("Section3");
    reportHeader.name = QStringLiteral("Section4");
    reportFooter.name = QStringLiteral("Section5");
}

Band* Document::band(const QString& name)
{
    for (Band* b : {&reportHeader, &pageHeader, &detail, &pageFooter, &reportFooter})
        if (b->name.compare(name, Qt::CaseInsensitive) == 0)
            return b;
    const QString n = name.toLower();
    if (n == "reportheader") return &reportHeader;
    if (n == "pageheader") return &pageHeader;
    if (n == "detail") return &detail;
    if (n == "pagefooter") return &pageFooter;
    if (n == "reportfooter") return &reportFooter;
    return nullptr;
}

Control* Document::control(const QString& bandName, const QString& controlName)
{
    Band* b = band(bandName);
    return b ? b->find(controlName) : nullptr;
}

bool Document::setCaption(const QString& bandName, const QString& controlName, const QString& text)
{
    Control* c = control(bandName, controlName);
    if (!c)
        return false;
    c->text = text;
    return true;
}

bool Document::setPicture(const QString& bandName, const QString& controlName, const QImage& image)
{
    Control* c = control(bandName, controlName);
    if (!c || c->kind != Control::Kind::Image)
        return false;
    c->image = image;
    return true;
}

bool Document::setDrawing(const QString& bandName, const QString& controlName,
                          std::function<void(QPainter&, const QRectF&)> draw)
{
    Control* c = control(bandName, controlName);
    if (!c || c->kind != Control::Kind::Drawing)
        return false;
    c->draw = std::move(draw);
    return true;
}

QString Document::caption(const QString& bandName, const QString& controlName) const
{
    const Control* c = const_cast<Document*>(this)->control(bandName, controlName);
    return c ? c->text : QString();
}

QString Document::caption(std::initializer_list<const char*> bandNames, const QString& controlName) const
{
    for (const char* bandName : bandNames)
        if (const Control* c = const_cast<Document*>(this)->control(bandName, controlName))
            return c->text;
    return QString();
}

namespace {
// Lays a text out as the reports draw it: right to left, the given horizontal alignment, lines
// of the box's width (wrapped at word boundaries or kept to one line), placed as QPainter's
// drawText places them. Returns the height of the lines.
qreal layOut(QTextLayout& layout, const QFont& font, qreal width, const QString& text, Qt::Alignment alignment,
             bool wrap)
{
    // Line ends break lines, as QPainter::drawText breaks them.
    QString lines = text;
    lines.replace(QLatin1Char('\n'), QChar(QChar::LineSeparator));
    layout.setText(lines);
    layout.setFont(font);
    QTextOption option((alignment & Qt::AlignHorizontal_Mask) | Qt::AlignAbsolute);
    option.setTextDirection(Qt::RightToLeft);
    option.setWrapMode(wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    layout.setTextOption(option);
    const qreal leading = QFontMetricsF(font).leading();
    qreal height = -leading;
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        height += leading;
        line.setPosition(QPointF(0, height));
        height += line.ascent() + line.descent();
    }
    layout.endLayout();
    return std::max<qreal>(0, height);
}
} // namespace

qreal textHeight(const QFont& font, qreal width, const QString& text, bool wrap)
{
    QTextLayout layout;
    return layOut(layout, font, width, text, Qt::AlignRight, wrap);
}

void drawTextLines(QPainter& p, const QFont& font, const QRectF& box, const QString& text, Qt::Alignment alignment,
                   bool wrap)
{
    QTextLayout layout;
    const qreal height = layOut(layout, font, box.width(), text, alignment, wrap);
    qreal top = box.top();
    if (alignment & Qt::AlignBottom)
        top += box.height() - height;
    else if (alignment & Qt::AlignVCenter)
        top += (box.height() - height) / 2;
    // Shaped glyphs with their places, not text: a recording of the painting (the print
    // preview keeps one per page) replays text through a second layout that loses the
    // direction of its runs, and so scrambled lines that mix Persian and numbers.
    const QPointF origin(box.left(), top);
    for (const QGlyphRun& run : layout.glyphRuns())
        p.drawGlyphRun(origin, run);
}

namespace {

// Where each band lands: on which page, at which height, for which row.
struct Placement {
    const Band* band;
    int row; // detail rows; -1 for the other bands
    int y;   // twips from the top of the page's body
};
using Page = QVector<Placement>;

QVector<Page> paginate(const Document& doc, int pageHeight)
{
    QVector<Page> pages;
    Page page;
    int y = 0;
    const int bodyLimit = pageHeight - doc.pageFooter.height;
    auto place = [&](const Band& b, int row) {
        if (b.height > 0 || !b.controls.isEmpty())
            page.append({&b, row, y});
        y += b.height;
    };
    auto finishPage = [&]() {
        page.append({&doc.pageFooter, -1, pageHeight - doc.pageFooter.height});
        pages.append(page);
        page.clear();
        y = 0;
    };
    place(doc.reportHeader, -1);
    place(doc.pageHeader, -1);
    int bodyStart = y;
    for (int row = 0; row < doc.rows.size(); ++row) {
        // A band taller than a whole page goes on a page of its own rather than looping.
        if (y + doc.detail.height > bodyLimit && y > bodyStart) {
            finishPage();
            place(doc.pageHeader, -1);
            bodyStart = y;
        }
        place(doc.detail, row);
    }
    if (doc.reportFooter.height > 0 && y + doc.reportFooter.height > bodyLimit && y > bodyStart) {
        finishPage();
        place(doc.pageHeader, -1);
    }
    place(doc.reportFooter, -1);
    finishPage();
    return pages;
}

// Fonts in twips (the painter works in twips), cached by size and weight.
class FontCache {
public:
    struct Entry {
        QFont font;
        QFontMetricsF metrics;
    };
    const Entry& get(qreal pointSize, bool bold)
    {
        const int px = std::max(1, int(std::lround(pointSize * TwipsPerPoint)));
        const int key = px * 2 + (bold ? 1 : 0);
        auto it = m_cache.find(key);
        if (it == m_cache.end()) {
            QFont f;
            f.setFamilies(Report::persianFamilies());
            f.setPixelSize(px);
            f.setBold(bold);
            f.setHintingPreference(QFont::PreferNoHinting);
            f.setKerning(true);
            it = m_cache.insert(key, Entry{f, QFontMetricsF(f)});
        }
        return it.value();
    }

private:
    QHash<int, Entry> m_cache;
};

constexpr int Padding = 60; // twips between a text and its box edge

void drawText(QPainter& p, FontCache& fonts, const Control& c, const QString& text, int x, int y)
{
    QRectF box(x + c.left, y + c.top, c.width, c.height);
    if (c.background.isValid())
        p.fillRect(box, c.background);
    if (c.border) {
        p.setPen(QPen(Qt::black, c.lineWidth));
        p.setBrush(Qt::NoBrush);
        p.drawRect(box);
    }
    if (text.isEmpty())
        return;
    QRectF inner = box.adjusted(Padding, 0, -Padding, 0);
    if (inner.width() <= 0)
        inner = box;

    qreal size = c.pointSize;
    const FontCache::Entry* font = &fonts.get(size, c.bold);
    QString shown = text;
    if (shown.contains('\r')) // contact lines end in CR LF
        shown = shown.replace("\r\n", "\n").replace('\r', '\n');
    while (shown.endsWith('\n'))
        shown.chop(1);
    // Numbers read left to right inside the right-to-left lines ("6." stays "6.").
    shown = PersianText::isolateNumbers(shown);
    bool clip = false;
    if (c.wordWrap) {
        auto fits = [&]() { return textHeight(font->font, inner.width(), shown, true) <= inner.height() + 1; };
        while (c.shrinkToFit && !fits() && size - 0.5 >= c.minPointSize) {
            size -= 0.5;
            font = &fonts.get(size, c.bold);
        }
        clip = !fits();
    } else {
        const qreal advance = font->metrics.horizontalAdvance(shown);
        if (advance > inner.width()) {
            if (c.shrinkToFit) {
                size = std::max(c.minPointSize, std::floor(size * inner.width() / advance * 2) / 2);
                font = &fonts.get(size, c.bold);
            }
            if (font->metrics.horizontalAdvance(shown) > inner.width())
                shown = font->metrics.elidedText(shown, Qt::ElideRight, inner.width());
        }
    }
    p.setPen(c.color);
    if (clip) {
        p.save();
        p.setClipRect(box);
        drawTextLines(p, font->font, inner, shown, c.alignment, c.wordWrap);
        p.restore();
    } else {
        drawTextLines(p, font->font, inner, shown, c.alignment, c.wordWrap);
    }
}

void drawControl(QPainter& p, FontCache& fonts, const Control& c, const QStringList* row, int x, int y)
{
    switch (c.kind) {
    case Control::Kind::Text: {
        const QString text = (c.field >= 0 && row) ? row->value(c.field) : c.text;
        drawText(p, fonts, c, text, x, y);
        break;
    }
    case Control::Kind::Line:
        p.setPen(QPen(c.color, c.lineWidth, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(x + c.left, y + c.top), QPointF(x + c.left + c.width, y + c.top + c.height));
        break;
    case Control::Kind::Box: {
        const QRectF box(x + c.left, y + c.top, c.width, c.height);
        if (c.background.isValid())
            p.fillRect(box, c.background);
        if (c.border) {
            p.setPen(QPen(c.color, c.lineWidth));
            p.setBrush(Qt::NoBrush);
            p.drawRect(box);
        }
        break;
    }
    case Control::Kind::Drawing:
        if (c.draw && c.width > 0 && c.height > 0) {
            p.save();
            c.draw(p, QRectF(x + c.left, y + c.top, c.width, c.height));
            p.restore();
        }
        break;
    case Control::Kind::Image:
        if (!c.image.isNull() && c.width > 0 && c.height > 0) {
            // Kept in proportion and centred in its box, so a logo of any shape is not distorted.
            QSizeF size = QSizeF(c.image.size()).scaled(QSizeF(c.width, c.height), Qt::KeepAspectRatio);
            const QRectF target(x + c.left + (c.width - size.width()) / 2, y + c.top + (c.height - size.height()) / 2,
                                size.width(), size.height());
            p.drawImage(target, c.image);
        }
        break;
    }
}

void drawBand(QPainter& p, FontCache& fonts, const Document& doc, const Placement& at)
{
    const Band& b = *at.band;
    if (b.background.isValid() && b.height > 0)
        p.fillRect(QRectF(0, at.y, doc.width, b.height), b.background);
    const QStringList* row = (at.row >= 0 && at.row < doc.rows.size()) ? &doc.rows[at.row] : nullptr;
    for (const Control& c : b.controls)
        drawControl(p, fonts, c, row, 0, at.y);
}

} // namespace

QPageLayout a4Layout()
{
    // 8 mm at the sides leave room for the 10850-twip width of the layouts on A4.
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(8, 10, 8, 10),
                       QPageLayout::Millimeter);
}

int render(const Document& doc, QPagedPaintDevice* device, int fromPage, int toPage)
{
    QPainter p;
    if (!device || !p.begin(device))
        return 0;
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    // The text runs right to left whatever the application's direction (the companion tool
    // has none); positions stay as the layouts give them (alignments are absolute).
    p.setLayoutDirection(Qt::RightToLeft);

    const qreal dpiX = device->logicalDpiX(), dpiY = device->logicalDpiY();
    const qreal availW = device->width() * TwipsPerInch / dpiX;
    const qreal availH = device->height() * TwipsPerInch / dpiY;
    // Narrow pages (page set-up) shrink the whole report rather than cutting its left side.
    const qreal scale = std::min<qreal>(1.0, availW / std::max(1, doc.width));
    const int pageHeight = int(availH / scale);
    const qreal offsetX = std::max<qreal>(0, (availW / scale - doc.width) / 2);
    p.scale(dpiX / TwipsPerInch * scale, dpiY / TwipsPerInch * scale);
    p.translate(offsetX, 0);

    const QVector<Page> pages = paginate(doc, pageHeight);
    const int from = fromPage > 0 ? fromPage : 1;
    const int to = toPage > 0 ? toPage : int(pages.size());
    FontCache fonts;
    bool first = true;
    for (int i = 0; i < pages.size(); ++i) {
        if (i + 1 < from || i + 1 > to)
            continue;
        if (!first)
            device->newPage();
        first = false;
        for (const Placement& at : pages[i])
            drawBand(p, fonts, doc, at);
    }
    p.end();
    return int(pages.size());
}

int pageCount(const Document& doc)
{
    const QPageLayout layout = a4Layout();
    const QRectF body = layout.paintRect(QPageLayout::Inch);
    const qreal availW = body.width() * TwipsPerInch, availH = body.height() * TwipsPerInch;
    const qreal scale = std::min<qreal>(1.0, availW / std::max(1, doc.width));
    return int(paginate(doc, int(availH / scale)).size());
}

bool writePdf(const Document& doc, const QString& path, QString* error)
{
    // A report holds the subjects' personal data as an export does: written the same way,
    // readable by its owner only, never through a link nor over a device.
    PrivateFile::Replacement file(path);
    if (!file.open(error))
        return false;
    {
        QPdfWriter writer(file.file());
        writer.setPageLayout(a4Layout());
        writer.setResolution(1200);
        writer.setTitle(doc.displayTitle.isEmpty() ? doc.title : doc.displayTitle);
        writer.setCreator("Meravel");
        if (render(doc, &writer) == 0) {
            if (error)
                // The path as a left-to-right run: its slashes stay in place in the Persian line.
                *error = QString::fromUtf8("فايل PDF نوشته نشد: ") + QChar(0x2066) + path + QChar(0x2069);
            return false;
        }
    }
    return file.commit(error);
}

} // namespace Report
