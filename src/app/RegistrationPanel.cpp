#include "app/RegistrationPanel.h"

#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/KeyFilters.h"
#include "app/SelfClosingMessage.h"
#include "app/Twips.h"
#include "calendar/SolarCalendar.h"
#include "data/AnswerTables.h"
#include "data/Clock.h"
#include "data/Utf8.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

RegistrationPanel::RegistrationPanel(MainWindow* main)
    : QFrame(main)
    , m_main(main)
{
    setObjectName("RegistrationPanel");
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setGeometry(Twips::rect(800, 780, 7350, 2895));

    // Two columns of label + field, right column first: each label stands at its field's right.
    auto field = [this](const char* name, const char* label, int left, int top, int width) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        e->setGeometry(Twips::rect(left, top, width, 375));
        auto* l = new QLabel(u(label), this);
        l->setObjectName(QString(name) + "Label");
        l->setGeometry(Twips::rect(left + width + 60, top, 1260, 375));
        l->setAlignment(Qt::AlignLeft | Qt::AlignAbsolute | Qt::AlignVCenter); // next to its field
        return e;
    };
    const int rightCol = 3900, leftCol = 240, w = 1950;
    m_text11 = field("Text11", " :کدآزمودني", rightCol, 180, w);
    m_text6 = field("Text6", " :نام", rightCol, 660, w);
    m_text4 = field("Text4", " :نام خانوادگي", rightCol, 1140, w);
    m_text5 = field("Text5", " :سن", rightCol, 1620, w);
    m_text15 = field("Text15", " :كلاس", leftCol, 180, w);
    m_text8 = field("Text8", " :تاريخ", leftCol, 660, w);
    m_text9 = field("Text9", " :ساعت", leftCol, 1140, w);
    m_text9->setReadOnly(true);

    auto combo = [this](const char* name, const char* label, int left, int top, QStringList items) {
        auto* c = new QComboBox(this);
        c->setObjectName(name);
        c->addItems(items);
        c->setCurrentIndex(-1);
        c->setGeometry(Twips::rect(left, top, 1950, 375));
        auto* l = new QLabel(u(label), this);
        l->setObjectName(QString(name) + "Label");
        l->setGeometry(Twips::rect(left + 1950 + 60, top, 1260, 375));
        l->setAlignment(Qt::AlignLeft | Qt::AlignAbsolute | Qt::AlignVCenter);
        return c;
    };
    m_combo2 = combo("Combo2", " :جنس", rightCol, 2100, {u("پسر"), u("دختر")});
    m_combo3 = combo("Combo3", " :گروه", leftCol, 1620, {"A", "B", "C", "D", "E", "F", "G"});
    connect(m_combo2, qOverload<int>(&QComboBox::activated), this, &RegistrationPanel::sexChosen);
    connect(m_combo3, qOverload<int>(&QComboBox::activated), this, &RegistrationPanel::groupChosen);

    m_text16 = new QLineEdit(this);
    m_text16->setObjectName("Text16");
    m_text16->hide();
    m_text17 = new QLineEdit(this);
    m_text17->setObjectName("Text17");
    m_text17->hide();

    DigitKeyFilter::installDigits(m_text11);
    DigitKeyFilter::installDigits(m_text5, 2);

    auto* save = new QPushButton(u("ذخيره"), this);
    save->setObjectName("Command8");
    save->setGeometry(Twips::rect(1500, 2160, 1200, 495));
    connect(save, &QPushButton::clicked, this, &RegistrationPanel::save);
    auto* cancel = new QPushButton(u("انصراف"), this);
    cancel->setObjectName("Command10");
    cancel->setGeometry(Twips::rect(240, 2160, 1200, 495));
    connect(cancel, &QPushButton::clicked, this, &RegistrationPanel::cancel);

    hide();
}

void RegistrationPanel::open()
{
    m_main->panelReset();
    show();
    raise();
    // The fields show the new, empty row of the registration list.
    m_main->registrationList().addNew();
    for (QLineEdit* e : {m_text11, m_text6, m_text4, m_text5, m_text15, m_text8, m_text9})
        e->clear();
    m_text16->setText(m_combo2->currentText());
    m_text17->setText(m_combo3->currentText());
    const QDateTime now = Clock::now();
    m_text9->setText(Registration::timeText(now.time()));
    m_text8->setText(SolarCalendar::solarDate(now, 0));
    m_text6->setFocus();
    m_text11->setText(Registration::nextCode(m_main->s2()));
    m_main->setRegistrationButtonEnabled(false);
}

void RegistrationPanel::sexChosen() { m_text16->setText(m_combo2->currentText()); }
void RegistrationPanel::groupChosen() { m_text17->setText(m_combo3->currentText()); }

Registration::Subject RegistrationPanel::subjectFromFields() const
{
    Registration::Subject s;
    s.code = m_text11->text();
    s.firstName = m_text6->text();
    s.lastName = m_text4->text();
    s.sex = m_text16->text();
    s.age = m_text5->text();
    s.schoolClass = m_text15->text();
    s.group = m_text17->text();
    s.date = m_text8->text();
    s.time = m_text9->text();
    return s;
}

QWidget* RegistrationPanel::fieldWidget(Registration::Field field) const
{
    using F = Registration::Field;
    switch (field) {
    case F::Code: return m_text11;
    case F::FirstName: return m_text6;
    case F::LastName: return m_text4;
    case F::Sex: return m_combo2;
    case F::Age: return m_text5;
    case F::SchoolClass: return m_text15;
    case F::Group: return m_combo3;
    case F::Date: return m_text8;
    case F::None: break;
    }
    return nullptr;
}

void RegistrationPanel::save()
{
    m_text16->setText(m_combo2->currentText());
    m_text17->setText(m_combo3->currentText());
    const Registration::Subject subject = subjectFromFields();
    const Registration::Check check = Registration::check(subject);
    if (!check.ok()) {
        SelfClosingMessage::show(m_main, check.message);
        if (QWidget* w = fieldWidget(check.field))
            w->setFocus();
        return;
    }
    QString error;
    bool duplicate = false;
    if (!Registration::store(subject, &error, &duplicate)) {
        // Nothing was written; the panel stays open with what was typed.
        if (error == Registration::invalidDate().message) {
            SelfClosingMessage::show(m_main, error);
            m_text8->setFocus();
        } else if (duplicate) {
            SelfClosingMessage::show(m_main, error);
            if (QWidget* w = fieldWidget(Registration::Field::Code))
                w->setFocus();
        } else {
            Dialogs::show(m_main, error, "Error", MsgIcon::Critical);
        }
        return;
    }
    m_main->setRegistrationButtonEnabled(true);
    m_main->registrationList().requery();
    for (int t = AnswerTables::First; t <= AnswerTables::Last; ++t)
        m_main->answers(t).requery();
    m_main->rereadRegisteredList();
    m_main->panelReset();
}

void RegistrationPanel::cancel()
{
    m_main->registrationList().requery();
    m_main->panelReset();
    m_main->setRegistrationButtonEnabled(true);
    m_main->s2().requery();
}
