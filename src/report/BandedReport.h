#pragma once
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPageLayout>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <initializer_list>
#include <memory>

class QPagedPaintDevice;
class QPainter;

// The banded report painter of the printed reports: a report header (once, at the top of the
// first page), a page header and a page footer on every page, a detail band per data row and
// a report footer after the last row. Bands and controls are placed in twips as the layouts
// give them; positions are not mirrored (the layouts are already drawn right to left), but
// text runs right to left. The same painting goes to the print preview, to a printer and to a
// PDF file, where the text stays real text in an embedded font. The print preview window is
// in the windows library (app/ReportPreview.h): this library needs Qt GUI only.
namespace Report {

constexpr int TwipsPerInch = 1440;
constexpr int TwipsPerPoint = 20;

struct Control {
    enum class Kind { Text, Line, Image, Box, Drawing };
    Kind kind = Kind::Text;
    QString name;
    int left = 0, top = 0, width = 0, height = 0; // twips, from the band's top left
    QString text;
    int field = -1; // detail band: the index of the row value shown, -1 for the text above
    Qt::Alignment alignment = Qt::AlignRight | Qt::AlignVCenter;
    qreal pointSize = 10;
    bool bold = false;
    QColor color = Qt::black;
    QColor background;  // invalid: transparent
    bool border = false;
    bool wordWrap = false;
    // Long text is drawn in a smaller size (down to minPointSize) rather than cut; what
    // still does not fit is elided (one line) or clipped (wrapped).
    bool shrinkToFit = true;
    qreal minPointSize = 5;
    int lineWidth = 15;  // lines and borders, twips
    QImage image;        // Kind::Image: drawn inside the box keeping its proportions
    // Kind::Drawing: vector drawing into the box (painter coordinates in twips).
    std::function<void(QPainter&, const QRectF&)> draw;

    // A text control placed in its band.
    static Control textAt(const QString& name, int left, int top, int width, int height, const QString& text,
                          Qt::Alignment alignment, qreal pointSize, bool bold);
    // A vector drawing in its box, made by the given routine.
    static Control drawingAt(const QString& name, int left, int top, int width, int height,
                             std::function<void(QPainter&, const QRectF&)> draw);
    // A line from (x1, y1) to (x2, y2).
    static Control lineBetween(int x1, int y1, int x2, int y2, int lineWidth, const QColor& color = Qt::black);
    // A bordered table cell, its text centred; a heading cell is bold on a light grey ground.
    static Control cellAt(const QString& name, int left, int top, int width, int height, const QString& text,
                          bool heading, qreal pointSize);
};

struct Band {
    QString name;
    int height = 0; // twips
    QColor background; // invalid: none; otherwise filled across the report's width
    QVector<Control> controls;

    Control* find(const QString& controlName);
    const Control* find(const QString& controlName) const;
    Control& add(Control c)
    {
        controls.append(std::move(c));
        return controls.last();
    }
};

// A label of a report layout and a bordered table cell, with the defaults the layouts use.
inline Control label(const QString& name, int left, int top, int width, int height, const QString& caption = QString(),
                     qreal points = 10, bool bold = false, Qt::Alignment alignment = Qt::AlignRight | Qt::AlignVCenter)
{
    return Control::textAt(name, left, top, width, height, caption, alignment, points, bold);
}
inline Control cell(const QString& name, int left, int top, int width, int height, const QString& caption = QString(),
                    bool heading = false, qreal points = 10)
{
    return Control::cellAt(name, left, top, width, height, caption, heading, points);
}

// The silver report header (Section4) of the list reports: the clinic's logo (Image3) at the
// left, the clinic's name (filled in later, under nameLabel) above the report's title.
void addClinicHeader(Band& header, const QString& nameLabel, int nameWidth, const QString& titleLabel, int titleWidth,
                     const QString& title);

// One report: its five bands, its width and its detail rows.
class Document {
public:
    Document();
    // A document of the layout `title` with its Persian title (the PDF's proposed name too), its
    // width and its bands named (nameSections()).
    static std::shared_ptr<Document> create(const char* title, const QString& displayTitle, int width);
    // Names the bands as the program's report layouts do: the detail band Section1, the page
    // header Section2, the page footer Section3, the report header Section4 and its footer
    // Section5.
    void nameSections();

    // The layout's name ("DataR1"): how the program and its tests know the report.
    QString title;
    // The report's Persian title: the preview window's and the PDF's title.
    QString displayTitle;
    // The name proposed for the PDF, without ".pdf" (displayTitle when empty).
    QString fileName;
    int width = 10850;  // twips
    Band reportHeader, pageHeader, detail, pageFooter, reportFooter;

    // The detail rows: each holds the values the detail band's bound controls show.
    // A report bound to a single settings row has one row with no values.
    QVector<QStringList> rows;

    Band* band(const QString& name); // by band name ("Section1" …) or role ("detail" …)
    Control* control(const QString& bandName, const QString& controlName);
    // Sets a label's caption / an image's picture; false when there is no such control.
    bool setCaption(const QString& bandName, const QString& controlName, const QString& text);
    bool setPicture(const QString& bandName, const QString& controlName, const QImage& image);
    bool setDrawing(const QString& bandName, const QString& controlName,
                    std::function<void(QPainter&, const QRectF&)> draw);
    QString caption(const QString& bandName, const QString& controlName) const;
    // The caption of the control in the first of the bands that has it; empty when none has it.
    QString caption(std::initializer_list<const char*> bandNames, const QString& controlName) const;
};

// Draws a text in a box as every report draws it: laid out right to left with the given
// alignment (horizontal and vertical), in lines of the box's width (wrapped at word
// boundaries, or one line), and painted as shaped glyph runs with the painter's pen. The print
// preview records the painting and replays it; glyph runs come back exactly as they went in,
// so the preview shows what the PDF holds. Numbers are to be set apart by the caller
// (PersianText::isolateNumbers).
void drawTextLines(QPainter& p, const QFont& font, const QRectF& box, const QString& text, Qt::Alignment alignment,
                   bool wrap);
// The height of those lines.
qreal textHeight(const QFont& font, qreal width, const QString& text, bool wrap);

// The page the reports are laid out on: A4 portrait with narrow side margins.
QPageLayout a4Layout();
// Lays the document out on a paged device; returns the number of pages. Only the pages
// fromPage to toPage (from 1; 0: first / last) are drawn, as a printer's page range asks.
int render(const Document& doc, QPagedPaintDevice* device, int fromPage = 0, int toPage = 0);
// Writes a PDF file without a window (A4 portrait). False with a reason on failure.
bool writePdf(const Document& doc, const QString& path, QString* error = nullptr);
// Pages the document takes on an A4 portrait page (what the preview shows first).
int pageCount(const Document& doc);

} // namespace Report
