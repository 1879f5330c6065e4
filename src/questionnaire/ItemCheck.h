#pragma once
#include <QCheckBox>
#include <QFontMetrics>
#include <QHash>
#include <QStringList>

#include <memory>

// A tick item: a check box whose caption wraps onto further lines when it is wider than the
// box, so that the whole sentences of part 2 stay readable in a column of the page. Lines break
// at blanks only, never inside a word. It asks for a column of a few words' width and can be
// made as narrow as its widest word; its height follows the width (heightForWidth).
class ItemCheck : public QCheckBox {
public:
    ItemCheck(const QString& caption, QWidget* parent);
    int heightForWidth(int width) const override;
    bool hasHeightForWidth() const override { return true; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // The caption broken into lines for the given widget width.
    QString wrappedText(int width) const;
    // The words of a caption: broken at blanks only; a word joined by half-spaces is one word,
    // and a verbal prefix written apart ("مي توانم") is one word with its verb.
    static QStringList wordsOf(const QString& text);
    // Lines of at most `available` pixels, broken between words only.
    static QStringList wrapAtBlanks(const QString& text, const QFontMetrics& fm, int available);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    // Layouts ask for the sizes and the height at a width many times over, and measuring a
    // Persian caption means shaping it. What depends on caption and font alone is shared by
    // every box with that caption and font, in this window and in the next one opened; what
    // the style decides is kept by the box until its style changes.
    struct Caption {
        int widest = 0; // the widest word
        int whole = 0; // the caption on one line
        QStringList words; // wordsOf(text)
        QHash<int, int> lines; // the number of lines by the width the caption has
        // The advance of words first..last joined by blanks (first << 16 | last): a line tried
        // at one width is tried again at most others, so each is shaped once.
        QHash<quint32, int> runs;
    };
    struct Measures {
        QString text;
        QFont font;
        std::shared_ptr<Caption> caption;
        int room = -1; // the box and the gap before the caption: -1 when not measured
        int boxHeight = 0;
    };
    static std::shared_ptr<Caption> captionFor(const QString& text, const QFont& font);
    const Measures& measures() const;
    int textWidth(int width) const;
    // The caption's lines for a text width, as wrapAtBlanks breaks them, from the kept runs.
    QStringList linesFor(int available) const;
    mutable Measures m_measures;
};
