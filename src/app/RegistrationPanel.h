#pragma once
#include "data/Registration.h"

#include <QFrame>

class QComboBox;
class QLineEdit;
class RecordSet;

// The registration panel of the main window: proposes the next code, stamps date and time,
// checks the fields in order and stores the subject with its four empty answer rows. Its
// owner places it, re-reads what it shows when told by the signals, and closes it.
class RegistrationPanel : public QFrame {
    Q_OBJECT
public:
    // `subjects`: the registration list (IDE), where the panel starts its new row; `answersS2`:
    // the answers the next code is proposed from.
    RegistrationPanel(RecordSet& subjects, RecordSet& answersS2, QWidget* parent);
    void open();

signals:
    // The owner closes every panel (before this one opens) and drops an unsaved registration.
    void resetRequested();
    // A registration began (the registration button is off until it ends).
    void started();
    // The subject was stored: what shows subjects and answers is re-read.
    void saved();
    void cancelled();

private:
    void save();
    void cancel();
    void onSexChosen();
    void onGroupChosen();
    QWidget* fieldWidget(Registration::Field field) const;
    Registration::Subject subjectFromFields() const;

    RecordSet& m_subjects;
    RecordSet& m_answersS2;
    QLineEdit *m_code, *m_firstName, *m_lastName, *m_age, *m_schoolClass, *m_date, *m_time;
    QLineEdit *m_sexText, *m_groupText; // hidden: Jens and Group as chosen
    QComboBox *m_sex, *m_group;
};
