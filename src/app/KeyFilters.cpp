#include "app/KeyFilters.h"

#include "app/Dialogs.h"
#include "app/SelfClosingMessage.h"
#include "data/Messages.h"
#include "data/PersianText.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QValidator>

namespace {
// Holds only digits from..to; Persian and Arabic-Indic digits, typed or pasted, become the
// ASCII digits of the same value before they are checked, so the box always holds ASCII.
class FoldingDigitValidator : public QValidator {
public:
    FoldingDigitValidator(int from, int to, QObject* parent)
        : QValidator(parent)
        , m_from(from)
        , m_to(to)
    {
    }

    State validate(QString& input, int&) const override
    {
        input = PersianText::foldDigits(input);
        for (QChar c : input) {
            const int d = PersianText::digitValue(c);
            if (d < m_from || d > m_to)
                return Invalid;
        }
        return Acceptable;
    }

private:
    int m_from, m_to;
};

bool isModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Mode_switch: return true;
    default: return false;
    }
}

// A key whose text is empty or only control characters (Ctrl+V gives U+0016) types nothing.
bool typesNothing(const QString& text)
{
    for (QChar c : text)
        if (c.category() != QChar::Other_Control)
            return false;
    return true;
}
} // namespace

DigitKeyFilter::DigitKeyFilter(QLineEdit* field, QChar from, QChar to, QString message, bool clearOnRefusal)
    : QObject(field)
    , m_field(field)
    , m_from(from)
    , m_to(to)
    , m_message(std::move(message))
    , m_clearOnRefusal(clearOnRefusal)
{
    field->installEventFilter(this);
    // Text pasted through the context menu must hold the same characters.
    field->setValidator(new FoldingDigitValidator(from.unicode() - u'0', to.unicode() - u'0', field));
}

DigitKeyFilter* DigitKeyFilter::installDigits(QLineEdit* field, int maxLength)
{
    field->setMaxLength(maxLength);
    return new DigitKeyFilter(field, '0', '9', QString::fromUtf8(Messages::DigitsOnly));
}

bool DigitKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_field || event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Delete:
    case Qt::Key_Escape:
        return false;
    default:
        break;
    }
    // Modifiers alone (a layout switch with Alt+Shift), function keys and shortcuts pass.
    const QString text = key->text();
    if (isModifierKey(key->key()) || typesNothing(text))
        return false;
    const int digit = text.size() == 1 ? PersianText::digitValue(text[0]) : -1;
    if (digit >= 0 && digit >= m_from.unicode() - u'0' && digit <= m_to.unicode() - u'0')
        return false;
    Dialogs::instance().beep();
    SelfClosingMessage::show(m_field->window(), m_message);
    if (m_clearOnRefusal)
        m_field->clear();
    return true;
}
