#pragma once
#include "data/Registration.h"

#include <QFrame>

class QComboBox;
class QLineEdit;
class SubjectStore;

// The registration panel of the main window: proposes the next code, stamps date and time,
// checks the fields in order and stores the subject with its four empty answer rows. Its
// owner places it, re-reads what it shows when told by the signals, and closes it.
class RegistrationPanel : public QFrame {
    Q_OBJECT
public:
    // `subjects`: where the next code is proposed from and the subject is registered.
    RegistrationPanel(SubjectStore& subjects, QWidget* parent);
    void open();

signals:
    // The owner closes every panel (before this one opens) and drops an unsaved registration.
    void resetRequested();
    // A registration began (the registration button is off until it ends).
    void started();
    // The subject was stored (the store has told its listeners).
    void saved();
    void cancelled();

private:
    void save();
    void cancel();
    void onSexChosen();
    void onGroupChosen();
    QWidget* fieldWidget(Registration::Field field) const;
    Registration::Subject subjectFromFields() const;

    SubjectStore& m_subjects;
    QLineEdit *m_code, *m_firstName, *m_lastName, *m_age, *m_schoolClass, *m_date, *m_time;
    QLineEdit *m_sexText, *m_groupText; // hidden: Jens and Group as chosen
    QComboBox *m_sex, *m_group;
};
