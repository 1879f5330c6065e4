#pragma once
#include <QCheckBox>
#include <QFontMetrics>
#include <QStringList>

// A tick item: a check box whose caption wraps onto further lines when it is wider than the
// box, so that the whole sentences of part 2 stay readable at the fixed page size. Lines break
// at blanks only, never inside a word.
class ItemCheck : public QCheckBox {
public:
    ItemCheck(const QString& caption, QWidget* parent);
    int heightForWidth(int width) const override;
    bool hasHeightForWidth() const override { return true; }
    // The caption broken into lines for the given widget width.
    QString wrappedText(int width) const;
    // The words of a caption: broken at blanks only; a word joined by half-spaces is one word,
    // and a verbal prefix written apart ("مي توانم") is one word with its verb.
    static QStringList wordsOf(const QString& text);
    // Lines of at most `available` pixels, broken between words only.
    static QStringList wrapAtBlanks(const QString& text, const QFontMetrics& fm, int available);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    int textWidth(int width) const;
};
