#pragma once
#include "data/ClinicData.h"
#include "scoring/NormTable.h"
#include "scoring/Scoring.h"

#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>

class QBoxLayout;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class ProfileChartWidget;
class SettingsStore;
class SubjectStore;
namespace ScoringReports {
struct Printed;
}

// The scoring window: the operator selects a subject by code, and the window shows the
// subject's header, the score table (raw totals, ranks, congruence weights, adjusted scores),
// the stream scores, the type code and the description rows. It reads only; every result
// lives in the window until the next selection or until it closes. Not modal; closing it
// shows the main window again.
class ScoringWindow : public QWidget {
    Q_OBJECT
public:
    // What the window needs from the one that opens it: the clinic data the reports print
    // (asked at every print, so changed settings show at once; without it the stored data is
    // read) and how to show the main window again when this window closes.
    struct Owner {
        std::function<ClinicData()> clinicData;
        std::function<void()> showMain;
    };
    // Shows the one scoring window (creating and loading it when none is open).
    static ScoringWindow* open(Owner owner);
    // The open scoring window, or nullptr.
    static ScoringWindow* current();

    explicit ScoringWindow(QWidget* parent = nullptr);
    ~ScoringWindow() override;

    // What the window shows, as texts; the result report prints exactly these.
    const Scoring::Shown& shown() const { return m_shown; }
    // Set by the first code that was found; never cleared while the window is open.
    bool isSelected() const { return m_selected; }

    // The clinic data the reports print.
    ClinicData clinicData() const;

    // Handlers, named after the controls.
    void selectSubject(); // select subject
    void printSelectedSubject(); // print the selected subject
    void printAllSubjects(); // print all subjects
    void showHelp(); // show the help panel
    void exitWindow(); // exit
    void hideHelp();
    void chooseNormTable(); // choose the norm table (remembered in the program folder)
    void readAspiration(); // the aspiration code typed, checked, and its congruence shown
    void compareSecond(); // a second administration's code asked for and compared with the shown one
    void printComparison(); // the comparison of the two administrations, in its preview window
    // The norm table in use and its file ("" when none).
    const QString& normTablePath() const { return m_normPath; }
    // What the result report prints beyond the scores: the norm rows, the congruence line
    // ("" without an aspiration code), whether the chart draws percentile ranks.
    const NormTable::ShownNorms& shownNorms() const { return m_shownNorms; }
    const QString& congruence() const { return m_congruenceText; }
    bool percentileChart() const;
    // The comparison shown (empty before one), and its second administration.
    const std::optional<NormTable::ShownRetest>& comparison() const { return m_retest; }
    const Scoring::Shown& secondShown() const { return m_second; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void load();
    void build();
    QFrame* buildHeader();
    QFrame* buildCommands();
    QFrame* buildScoreTable();
    QWidget* buildStreams();
    QWidget* buildCode();
    QWidget* buildDescriptions();
    QFrame* buildNorms();
    QWidget* buildCompare();
    void renderComparison();
    bool useNormTable(const QString& path, QString* error);
    QWidget* buildHelp();
    // The norms and the comparison side by side or under each other, as the width allows.
    void arrangeInterpretation();
    void render();
    // What the reports print, taken now: the shown texts, the clinic data and the settings row.
    ScoringReports::Printed printed();

    Owner m_owner;
    Scoring::Shown m_shown;
    bool m_selected = false;

    // The settings row and all subjects, for the printing. The look-up of a code and its
    // descriptions read the database fresh at every selection (Scoring::scoreSubject).
    SettingsStore* m_settings = nullptr;
    SubjectStore* m_subjects = nullptr;

    std::array<QLabel*, 7> m_header{};
    std::array<QLabel*, Scoring::TypeCount> m_raw{}, m_rank{}, m_weight{}, m_adjusted{};
    std::array<QLabel*, 6> m_streams{};
    std::array<QLabel*, 3> m_code{};
    std::array<QPlainTextEdit*, 3> m_rowTitles{};
    std::array<std::array<QPlainTextEdit*, 5>, 3> m_cells{};
    QFrame* m_help = nullptr;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_content = nullptr;
    QBoxLayout* m_interpretation = nullptr;
    ProfileChartWidget* m_chart = nullptr;
    QLabel* m_flags = nullptr;

    // The norm table chosen, and the aspiration code typed for the shown subject.
    NormTable::Table m_norms;
    QString m_normPath;
    QLabel* m_normName = nullptr;
    std::array<QLabel*, Scoring::TypeCount> m_percentile{}, m_t{}, m_sem{};
    QLineEdit* m_aspiration = nullptr;
    QLabel* m_congruence = nullptr;
    QCheckBox* m_percentileChart = nullptr;
    NormTable::ShownNorms m_shownNorms;
    QString m_congruenceText;

    // The retest: the second administration and the comparison, until another subject is shown.
    Scoring::Shown m_second;
    std::optional<NormTable::ShownRetest> m_retest;
    ProfileChartWidget* m_retestChart = nullptr;
    QPushButton* m_printComparison = nullptr;
    std::array<std::array<QLabel*, Scoring::TypeCount>, 5> m_compareCells{}; // first, second, diff, rci, flag
    std::array<QLabel*, 5> m_compareLines{}; // codes, first letter, set, M, SEMs
};
