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

std::shared_ptr<ItemCheck::Caption> ItemCheck::captionFor(const QString& text, const QFont& font)
{
    // Captions are few (the items of the questionnaire) and so are their fonts; the table is
    // emptied should it ever grow past them.
    static QHash<QString, std::shared_ptr<Caption>> shared;
    const QString key = font.key() + QChar(0x1F) + text;
    if (const auto found = shared.constFind(key); found != shared.cend())
        return *found;
    if (shared.size() >= 4096)
        shared.clear();
    auto caption = std::make_shared<Caption>();
    caption->words = wordsOf(text);
    const QFontMetrics fm(font);
    for (const QString& word : caption->words)
        caption->widest = qMax(caption->widest, fm.horizontalAdvance(word));
    caption->whole = fm.horizontalAdvance(text);
    shared.insert(key, caption);
    return caption;
}

const ItemCheck::Measures& ItemCheck::measures() const
{
    Measures& m = m_measures;
    if (!m.caption || m.text != text() || m.font != font())
        m = Measures{text(), font(), captionFor(text(), font()), -1, 0};
    if (m.room < 0) {
        QStyleOptionButton opt;
        initStyleOption(&opt);
        m.room = style()->pixelMetric(QStyle::PM_IndicatorWidth, &opt, this)
            + style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &opt, this) + 6;
        m.boxHeight = QCheckBox::sizeHint().height();
    }
    return m;
}

int ItemCheck::textWidth(int width) const { return qMax(20, width - measures().room); }

QSize ItemCheck::sizeHint() const
{
    // A column of a page: the caption on one line up to twelve line heights across; a longer
    // one wraps.
    const Measures& m = measures();
    const int width = m.room + qMin(m.caption->whole, 12 * QFontMetrics(font()).height());
    return {width, heightForWidth(width)};
}

QSize ItemCheck::minimumSizeHint() const
{
    const Measures& m = measures();
    return {m.room + m.caption->widest, m.boxHeight};
}

void ItemCheck::changeEvent(QEvent* event)
{
    // A style sheet may change the box's size; caption and font are compared at every measuring.
    if (event->type() == QEvent::StyleChange)
        m_measures.room = -1;
    QCheckBox::changeEvent(event);
}

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

namespace {
// Words first..last joined by single blanks.
QString run(const QStringList& words, int first, int last)
{
    return words.mid(first, last - first + 1).join(QLatin1Char(' '));
}

// Fills each line with the words that fit and starts the next at the first that does not;
// `advance(first, last)` measures words first..last on one line. A word wider than the line
// stands whole on a line of its own; it is never cut.
template <typename Advance> QStringList breakLines(const QStringList& words, int available, Advance advance)
{
    QStringList lines;
    int first = 0;
    for (int i = 1; i < words.size(); ++i)
        if (advance(first, i) > available) {
            lines << run(words, first, i - 1);
            first = i;
        }
    if (!words.isEmpty())
        lines << run(words, first, int(words.size()) - 1);
    return lines;
}
} // namespace

QStringList ItemCheck::wrapAtBlanks(const QString& text, const QFontMetrics& fm, int available)
{
    const QStringList words = wordsOf(text);
    return breakLines(words, available,
                      [&](int first, int last) { return fm.horizontalAdvance(run(words, first, last)); });
}

QStringList ItemCheck::linesFor(int available) const
{
    const Measures& m = measures();
    Caption& caption = *m.caption;
    const QFontMetrics fm(m.font);
    return breakLines(caption.words, available, [&](int first, int last) {
        const quint32 key = quint32(first) << 16 | quint32(last);
        auto found = caption.runs.constFind(key);
        if (found == caption.runs.cend())
            found = caption.runs.insert(key, fm.horizontalAdvance(run(caption.words, first, last)));
        return *found;
    });
}

QString ItemCheck::wrappedText(int width) const { return linesFor(textWidth(width)).join(QLatin1Char('\n')); }

int ItemCheck::heightForWidth(int width) const
{
    const Measures& m = measures();
    const int available = textWidth(width);
    QHash<int, int>& lines = m.caption->lines;
    auto found = lines.constFind(available);
    if (found == lines.cend())
        found = lines.insert(available, int(linesFor(available).size()));
    return qMax(m.boxHeight, qMax(1, *found) * QFontMetrics(font()).lineSpacing() + 4);
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
