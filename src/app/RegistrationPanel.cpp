#include "app/RegistrationPanel.h"

#include "app/Dialogs.h"
#include "app/KeyFilters.h"
#include "app/SelfClosingMessage.h"
#include "calendar/SolarCalendar.h"
#include "data/Clock.h"
#include "data/SubjectStore.h"
#include "data/Utf8.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

RegistrationPanel::RegistrationPanel(SubjectStore& subjects, QWidget* parent)
    : QFrame(parent)
    , m_subjects(subjects)
{
    setObjectName("RegistrationPanel");
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);

    // Two columns of label + field, right column first: each label stands at its field's right.
    // Right to left, grid column 0 is the rightmost.
    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(8);
    auto addRow = [this, grid](QWidget* input, const char* name, const char* label, int row, int column) {
        input->setObjectName(name);
        input->setMinimumWidth(fontMetrics().averageCharWidth() * 16);
        auto* l = new QLabel(u(label), this);
        l->setObjectName(QString(name) + "Label");
        l->setAlignment(Qt::AlignLeft | Qt::AlignAbsolute | Qt::AlignVCenter); // next to its field
        grid->addWidget(l, row, column);
        grid->addWidget(input, row, column + 1);
    };
    auto field = [this, addRow](const char* name, const char* label, int row, int column) {
        auto* e = new QLineEdit(this);
        addRow(e, name, label, row, column);
        return e;
    };
    const int rightCol = 0, leftCol = 2;
    m_code = field("Text11", " :کدآزمودني", 0, rightCol);
    m_firstName = field("Text6", " :نام", 1, rightCol);
    m_lastName = field("Text4", " :نام خانوادگي", 2, rightCol);
    m_age = field("Text5", " :سن", 3, rightCol);
    m_schoolClass = field("Text15", " :كلاس", 0, leftCol);
    m_date = field("Text8", " :تاريخ", 1, leftCol);
    m_time = field("Text9", " :ساعت", 2, leftCol);
    m_time->setReadOnly(true);

    auto combo = [this, addRow](const char* name, const char* label, int row, int column, const QStringList& items) {
        auto* c = new QComboBox(this);
        c->addItems(items);
        c->setCurrentIndex(-1);
        addRow(c, name, label, row, column);
        return c;
    };
    m_sex = combo("Combo2", " :جنس", 4, rightCol, {u("پسر"), u("دختر")});
    m_group = combo("Combo3", " :گروه", 3, leftCol, {"A", "B", "C", "D", "E", "F", "G"});
    connect(m_sex, qOverload<int>(&QComboBox::activated), this, &RegistrationPanel::onSexChosen);
    connect(m_group, qOverload<int>(&QComboBox::activated), this, &RegistrationPanel::onGroupChosen);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setColumnMinimumWidth(2, 12);

    m_sexText = new QLineEdit(this);
    m_sexText->setObjectName("Text16");
    m_sexText->hide();
    m_groupText = new QLineEdit(this);
    m_groupText->setObjectName("Text17");
    m_groupText->hide();

    DigitKeyFilter::installDigits(m_code);
    DigitKeyFilter::installDigits(m_age, 2);

    // Below the left column: Save at the right, Cancel at the left.
    auto* save = new QPushButton(u("ذخيره"), this);
    save->setObjectName("Command8");
    connect(save, &QPushButton::clicked, this, &RegistrationPanel::save);
    auto* cancel = new QPushButton(u("انصراف"), this);
    cancel->setObjectName("Command10");
    connect(cancel, &QPushButton::clicked, this, &RegistrationPanel::cancel);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(save);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, 4, leftCol, 1, 2);

    hide();
}

void RegistrationPanel::open()
{
    emit resetRequested();
    show();
    raise();
    // The fields start empty, with the date and time of now and the proposed code.
    for (QLineEdit* e : {m_code, m_firstName, m_lastName, m_age, m_schoolClass, m_date, m_time})
        e->clear();
    m_sexText->setText(m_sex->currentText());
    m_groupText->setText(m_group->currentText());
    const QDateTime now = Clock::now();
    m_time->setText(Registration::timeText(now.time()));
    m_date->setText(SolarCalendar::solarDate(now, 0));
    m_firstName->setFocus();
    m_code->setText(m_subjects.nextCode());
    emit started();
}

void RegistrationPanel::onSexChosen() { m_sexText->setText(m_sex->currentText()); }
void RegistrationPanel::onGroupChosen() { m_groupText->setText(m_group->currentText()); }

Registration::Subject RegistrationPanel::subjectFromFields() const
{
    Registration::Subject s;
    s.code = m_code->text();
    s.firstName = m_firstName->text();
    s.lastName = m_lastName->text();
    s.sex = m_sexText->text();
    s.age = m_age->text();
    s.schoolClass = m_schoolClass->text();
    s.group = m_groupText->text();
    s.date = m_date->text();
    s.time = m_time->text();
    return s;
}

QWidget* RegistrationPanel::fieldWidget(Registration::Field field) const
{
    using F = Registration::Field;
    switch (field) {
    case F::Code: return m_code;
    case F::FirstName: return m_firstName;
    case F::LastName: return m_lastName;
    case F::Sex: return m_sex;
    case F::Age: return m_age;
    case F::SchoolClass: return m_schoolClass;
    case F::Group: return m_group;
    case F::Date: return m_date;
    case F::None: break;
    }
    return nullptr;
}

void RegistrationPanel::save()
{
    m_sexText->setText(m_sex->currentText());
    m_groupText->setText(m_group->currentText());
    // A refusal names the field to correct; nothing was written and the panel stays open.
    const SubjectStore::Registered registered = m_subjects.registerSubject(subjectFromFields());
    if (registered.ok) {
        emit saved();
        return;
    }
    if (registered.databaseError) {
        Dialogs::show(window(), registered.message, "Error", MsgIcon::Critical);
        return;
    }
    SelfClosingMessage::show(window(), registered.message);
    if (QWidget* w = fieldWidget(registered.field))
        w->setFocus();
}

void RegistrationPanel::cancel() { emit cancelled(); }
