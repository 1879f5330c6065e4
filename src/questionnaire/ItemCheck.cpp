#include "questionnaire/ItemCheck.h"

#include <QEvent>
#include <QPaintEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

ItemCheck::ItemCheck(const QString& caption, QWidget* parent)
    : QCheckBox(caption, parent)
{
    QSizePolicy policy = sizePolicy();
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

int ItemCheck::indicatorRoom() const
{
    QStyleOptionButton opt;
    initStyleOption(&opt);
    return style()->pixelMetric(QStyle::PM_IndicatorWidth, &opt, this)
        + style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &opt, this) + 6;
}

int ItemCheck::textWidth(int width) const { return qMax(20, width - indicatorRoom()); }

const ItemCheck::Measures& ItemCheck::measures() const
{
    if (m_measures.hint.isValid() && m_measures.text == text() && m_measures.font == font())
        return m_measures;
    m_measures = Measures{text(), font(), {}, {}, {}};
    const QFontMetrics fm(font());
    int widest = 0;
    for (const QString& word : wordsOf(text()))
        widest = qMax(widest, fm.horizontalAdvance(word));
    m_measures.minimum = {indicatorRoom() + widest, QCheckBox::sizeHint().height()};
    // A column of a page: the caption on one line up to twelve line heights across; a longer
    // one wraps.
    const int width = indicatorRoom() + qMin(fm.horizontalAdvance(text()), 12 * fm.height());
    m_measures.hint = {width, measureHeight(width)};
    return m_measures;
}

int ItemCheck::measureHeight(int width) const
{
    const int lines = int(wrappedText(width).count(QLatin1Char('\n'))) + 1;
    return qMax(m_measures.minimum.height(), lines * QFontMetrics(font()).lineSpacing() + 4);
}

void ItemCheck::changeEvent(QEvent* event)
{
    // A style sheet may change the box's size; the font is compared at every measuring.
    if (event->type() == QEvent::StyleChange)
        m_measures.hint = QSize();
    QCheckBox::changeEvent(event);
}

QSize ItemCheck::sizeHint() const { return measures().hint; }

QSize ItemCheck::minimumSizeHint() const { return measures().minimum; }

namespace {
// Blanks a caption may break at; the no-break spaces join what they stand between.
bool isBreakingBlank(QChar c) { return c.isSpace() && c != QChar(0x00A0) && c != QChar(0x202F) && c != QChar(0x2007); }

// The verbal prefix "می"/"نمی" (either letter form) written apart from its verb with a blank
// instead of a half-space: it belongs to the verb and never ends a line.
bool isDetachedPrefix(const QString& word)
{
    static const QString forms[] = {QStringLiteral("\u0645\u06CC"), QStringLiteral("\u0645\u064A"),
                                    QStringLiteral("\u0646\u0645\u06CC"), QStringLiteral("\u0646\u0645\u064A")};
    for (const QString& f : forms)
        if (word == f)
            return true;
    return false;
}
} // namespace

QStringList ItemCheck::wordsOf(const QString& text)
{
    // A word runs from blank to blank, so letters joined by a half-space (U+200C) stay one
    // word, as in "می‌توانم" or "کتاب‌ها".
    QStringList words;
    QString word;
    for (QChar c : text) {
        if (isBreakingBlank(c)) {
            if (!word.isEmpty())
                words << word;
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.isEmpty())
        words << word;
    // A detached prefix travels with the word after it (the blank between them stays).
    for (int i = int(words.size()) - 2; i >= 0; --i)
        if (isDetachedPrefix(words[i])) {
            words[i] += QLatin1Char(' ') + words[i + 1];
            words.removeAt(i + 1);
        }
    return words;
}

QStringList ItemCheck::wrapAtBlanks(const QString& text, const QFontMetrics& fm, int available)
{
    QStringList lines;
    QString line;
    for (const QString& word : wordsOf(text)) {
        const QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        // A word wider than the line stands whole on a line of its own; it is never cut.
        if (!line.isEmpty() && fm.horizontalAdvance(candidate) > available) {
            lines << line;
            line = word;
        } else {
            line = candidate;
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

QString ItemCheck::wrappedText(int width) const
{
    return wrapAtBlanks(text(), QFontMetrics(font()), textWidth(width)).join(QLatin1Char('\n'));
}

int ItemCheck::heightForWidth(int width) const
{
    const Measures& known = measures();
    if (const auto found = known.heights.constFind(width); found != known.heights.cend())
        return *found;
    const int height = measureHeight(width);
    m_measures.heights.insert(width, height);
    return height;
}

void ItemCheck::paintEvent(QPaintEvent*)
{
    QStylePainter p(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    opt.text = wrappedText(width());
    p.drawControl(QStyle::CE_CheckBox, opt);
}

bool ItemCheck::hitButton(const QPoint& pos) const { return rect().contains(pos); }
