#pragma once
#include "data/Registration.h"

#include <QFrame>

class MainWindow;
class QComboBox;
class QLineEdit;
class QPushButton;

// The registration panel of the main window: proposes the next code, stamps date and time,
// checks the fields in order and stores the subject with its four empty answer rows.
class RegistrationPanel : public QFrame {
    Q_OBJECT
public:
    explicit RegistrationPanel(MainWindow* main);
    void open();

private:
    void save();  // Save
    void cancel(); // Cancel
    void sexChosen();
    void groupChosen();
    QWidget* fieldWidget(Registration::Field field) const;
    Registration::Subject subjectFromFields() const;

    MainWindow* m_main;
    QLineEdit *m_text11, *m_text6, *m_text4, *m_text5, *m_text15, *m_text8, *m_text9;
    QLineEdit *m_text16, *m_text17; // hidden: Jens and Group
    QComboBox *m_combo2, *m_combo3;
};
