#include "app/KeyFilters.h"

#include "app/Dialogs.h"
#include "app/SelfClosingMessage.h"
#include "data/Messages.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>

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
    field->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[%1-%2]*").arg(from).arg(to)), field));
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
    const QString text = key->text();
    if (text.isEmpty() && key->modifiers() == Qt::NoModifier)
        return false; // a key without a character (Shift, F-keys)
    if (text.size() == 1 && text[0] >= m_from && text[0] <= m_to)
        return false;
    Dialogs::instance().beep();
    SelfClosingMessage::show(m_field->window(), m_message);
    if (m_clearOnRefusal)
        m_field->clear();
    return true;
}
