#pragma once
#include <QObject>
#include <QString>

class QLineEdit;
class QWidget;

// Key filters of the numeric fields. A refused key beeps, is dropped and gives a
// self-closing message owned by the field's window; Backspace and Enter always pass, and so
// do modifier keys alone and keys that type nothing. Persian and Arabic-Indic digits count by
// their value and are stored as ASCII digits (typed or pasted).
class DigitKeyFilter : public QObject {
    Q_OBJECT
public:
    // Accepts the digits from..to ('0'..'9' for codes and ages, '1'..'7' for ratings).
    DigitKeyFilter(QLineEdit* field, QChar from, QChar to, QString message, bool clearOnRefusal = false);

    // The code, age and theme-number fields: "0".."9", message "شما بايد عدد وارد كنيد".
    static DigitKeyFilter* installDigits(QLineEdit* field, int maxLength = 32767);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_field;
    QChar m_from, m_to;
    QString m_message;
    bool m_clearOnRefusal;
};
