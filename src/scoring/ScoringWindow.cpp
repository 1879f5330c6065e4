// The scoring window: opening, the selection of a subject, the norm table, the aspiration code,
// the retest and the printing. The panels are built and drawn in ScoringPanels.cpp.
#include "scoring/ScoringWindow.h"

#include "app/Dialogs.h"
#include "app/SelfClosingMessage.h"
#include "app/WindowFrame.h"
#include "data/PersianText.h"
#include "data/SettingsStore.h"
#include "data/SubjectStore.h"
#include "scoring/Psychometrics.h"
#include "scoring/PsychometricsTexts.h"
#include "scoring/ScoringReports.h"
#include "scoring/ScoringTexts.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>

namespace {
QString t(const char* text) { return QString::fromUtf8(text); }

QPointer<ScoringWindow>& instance()
{
    static QPointer<ScoringWindow> window;
    return window;
}
} // namespace

ScoringWindow* ScoringWindow::open(Owner owner)
{
    // One scoring window: pressing the menu button again brings the open one forward.
    QPointer<ScoringWindow>& w = instance();
    if (!w) {
        w = new ScoringWindow;
        w->m_owner = std::move(owner);
    }
    w->show();
    w->raise();
    w->activateWindow();
    return w;
}

ScoringWindow* ScoringWindow::current() { return instance(); }

ClinicData ScoringWindow::clinicData() const
{
    return m_owner.clinicData ? m_owner.clinicData() : ClinicData::load();
}

ScoringWindow::ScoringWindow(QWidget* parent)
    : QWidget(parent)
{
    WindowFrame::prepare(this, "FrmkLID");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(t(ScoringTexts::Title));
    build();
    load();
    WindowFrame::finish(this);
}

ScoringWindow::~ScoringWindow() = default;

void ScoringWindow::load()
{
    // Opening reads nothing yet: the settings row and the subjects are read at each print, so
    // what changed since shows at once.
    m_settings = new SettingsStore(this);
    m_subjects = new SubjectStore(this);
    // The table chosen last time, when it still reads.
    const QString remembered = NormTable::rememberedPath();
    if (!remembered.isEmpty())
        useNormTable(remembered, nullptr);
    render();
}

bool ScoringWindow::percentileChart() const
{
    return m_percentileChart && !m_normPath.isEmpty() && m_percentileChart->isChecked();
}

void ScoringWindow::compareSecond()
{
    if (!m_shown.scored) {
        SelfClosingMessage::show(
            this, m_selected ? Scoring::notAnsweredMessage() : t(PsychometricsTexts::CompareFirstSubject));
        return;
    }
    const QString code = PersianText::foldDigits(Dialogs::instance().input(
        this, t(PsychometricsTexts::CompareTitle), t(PsychometricsTexts::CompareSecondPrompt), QString()));
    if (code.isEmpty()) {
        SelfClosingMessage::show(this, t(ScoringTexts::NoCode));
        return;
    }
    Scoring::Shown second;
    QString error;
    const Scoring::SubjectStatus status = Scoring::scoreSubject(code, &second, &error);
    if (status != Scoring::SubjectStatus::Scored) {
        SelfClosingMessage::show(this,
                                 status == Scoring::SubjectStatus::NotFound ? Scoring::notFoundMessage()
                                                                            : Scoring::notAnsweredMessage());
        return;
    }
    NormTable::RetestSems sems;
    if (!NormTable::retestSems(m_normPath.isEmpty() ? nullptr : &m_norms, m_shown.sex, m_shown.grade, &sems, &error)) {
        Dialogs::show(this, error, t(ScoringTexts::Title), MsgIcon::Exclamation, MsgButtons::Ok, true);
        return;
    }
    m_second = second;
    m_retest = NormTable::shownRetest(*m_shown.scored, *second.scored, sems);
    renderComparison();
}

void ScoringWindow::printComparison()
{
    if (m_retest)
        ScoringReports::printComparison(printed());
}

bool ScoringWindow::useNormTable(const QString& path, QString* error)
{
    NormTable::Table table;
    if (!NormTable::load(path, &table, error))
        return false;
    m_norms = table;
    m_normPath = path;
    return true;
}

void ScoringWindow::chooseNormTable()
{
    FileRequest request;
    request.title = t(PsychometricsTexts::NormLabel);
    request.filter = QStringLiteral("JSON|*.json");
    request.folder = m_normPath.isEmpty() ? QString() : QFileInfo(m_normPath).absolutePath();
    const QString path = Dialogs::instance().openFile(this, request);
    if (path.isEmpty())
        return;
    QString error;
    if (!useNormTable(path, &error)) {
        Dialogs::show(this, error, t(ScoringTexts::Title), MsgIcon::Exclamation, MsgButtons::Ok, true);
        return;
    }
    NormTable::remember(path, &error);
    // A comparison shown divides by the SEMs of the table now in use.
    if (m_retest && m_shown.scored && m_second.scored) {
        NormTable::RetestSems sems;
        if (NormTable::retestSems(&m_norms, m_shown.sex, m_shown.grade, &sems, &error))
            m_retest = NormTable::shownRetest(*m_shown.scored, *m_second.scored, sems);
    }
    render();
}

void ScoringWindow::readAspiration()
{
    const QString typed = m_aspiration->text().trimmed();
    if (!typed.isEmpty() && !Psychometrics::parseCode(typed)) {
        m_congruence->clear();
        SelfClosingMessage::show(this, Psychometrics::badCodeMessage());
        return;
    }
    render();
}

void ScoringWindow::selectSubject()
{
    const QString code = PersianText::foldDigits(
        Dialogs::instance().input(this, t(ScoringTexts::InputTitle), t(ScoringTexts::InputPrompt), QString()));
    if (code.isEmpty()) {
        SelfClosingMessage::show(this, t(ScoringTexts::NoCode));
        return;
    }
    Scoring::Shown next;
    const Scoring::SubjectStatus status = Scoring::scoreSubject(code, &next);
    if (status == Scoring::SubjectStatus::NotFound) {
        // No subject is shown: neither the previous subject's scores nor a page to print.
        m_selected = false;
        m_shown.clearSubject();
        m_shown.clearResult();
        m_retest.reset();
        render();
        SelfClosingMessage::show(this, Scoring::notFoundMessage());
        return;
    }
    m_selected = true;
    if (next.code != m_shown.code) {
        m_aspiration->clear(); // the aspiration belongs to the subject it was typed for
        m_retest.reset(); // and so does a comparison
        m_second = Scoring::Shown();
    }
    m_shown = next;
    render();
    if (status == Scoring::SubjectStatus::NotAnswered)
        SelfClosingMessage::show(this, Scoring::notAnsweredMessage());
}

void ScoringWindow::printSelectedSubject()
{
    if (!m_selected) {
        SelfClosingMessage::show(this, t(ScoringTexts::PrintFirst), 2000);
        return;
    }
    ScoringReports::printSelectedSubject(printed());
}

void ScoringWindow::printAllSubjects() { ScoringReports::printAllSubjects(printed(), *m_subjects); }

ScoringReports::Printed ScoringWindow::printed()
{
    ScoringReports::Printed p;
    p.shown = m_shown;
    p.norms = m_shownNorms;
    p.congruence = m_congruenceText;
    p.percentileChart = percentileChart();
    p.second = m_second;
    p.comparison = m_retest;
    p.clinic = clinicData();
    // Without a settings row (or when it cannot be read) the name and the address print empty.
    p.settings = m_settings->load().value_or(SettingsStore::Settings{});
    p.parent = this;
    return p;
}

void ScoringWindow::showHelp()
{
    m_help->show();
    m_help->raise();
    layout()->activate(); // placed at once, not at the next turn of the event loop
}

void ScoringWindow::hideHelp() { m_help->hide(); }

void ScoringWindow::exitWindow() { close(); }

void ScoringWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    arrangeInterpretation();
}

void ScoringWindow::closeEvent(QCloseEvent* event)
{
    // Closing by the exit button or the close box shows the main window again.
    if (m_owner.showMain)
        m_owner.showMain();
    event->accept();
}
