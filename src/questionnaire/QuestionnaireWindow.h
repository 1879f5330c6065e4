#pragma once
#include "data/AnswerStore.h"
#include "data/Database.h"
#include "data/SubjectStore.h"
#include "questionnaire/Totals.h"

#include <QDialog>
#include <QVector>
#include <array>

class ItemCheck;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QWidget;

// The test window: one subject takes the questionnaire page by page. The answers are kept in
// the subject's rows of S1..S4 and the header in the IDE row; every Next, Back and the closing
// commit them (one transaction each time). The closing, by Save and exit or by the close box,
// also stores the six totals computed from the stored answers, in the same transaction.
class QuestionnaireWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr int PageCount = 19;

    explicit QuestionnaireWindow(QWidget* parent = nullptr);
    ~QuestionnaireWindow() override;

    // Opens the window for a subject code: checks that the subject exists (the "not found"
    // message is owned by messageOwner), creates the missing answer rows and reads the rows.
    // False when there is no such subject; the window must then not be shown.
    bool openFor(const QString& code, QWidget* messageOwner);
    // openFor, then runs modally; returns when the window has closed.
    static void run(QWidget* owner, const QString& code);

    // Back to the start state for the next launch: Start shown, Back, Next and Save hidden,
    // page number 0 (which the page rule turns into page 1).
    void resetToStart();

    QString code() const { return m_code; }
    int pageNumber() const { return m_page; }
    // The page rule: below 1 becomes 1, above 19 becomes 19; shows that page only.
    void setPageNumber(int n);
    bool onStartScreen() const;

    // The per-type totals of the answers as they stand on the pages.
    Totals::Six totalsOnPages() const;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

public slots:
    // The close box: stores the answers, the header and the totals, as Save and exit does.
    void reject() override;

private:
    struct Rating {
        QLineEdit* box = nullptr;
        QString column;
    };

    QWidget* buildStartScreen(QWidget* parent);
    QWidget* buildHeader(QWidget* parent);
    QWidget* buildNavigation();
    void buildTickPage(int page, int table, int type);
    void buildRatingPage();
    QGroupBox* newPage(int page, const QString& caption);

    void start();
    void nextPage();
    void previousPage();
    void saveAndClose();

    // Shows the subject's stored answers and header.
    void readRows();
    static QString storedValue(const QHash<QString, QString>& row, const QString& column);
    // What the pages and the header say that differs from what is stored (a column is written
    // only when the control says something else than the row holds).
    AnswerStore::Write changesOnPages() const;
    // Stores the changes in one transaction; withTotals: the six totals, computed from the rows
    // as they are after the write, in the same transaction.
    void commitPages(bool withTotals = false);
    void closeWindow(bool withTotals);
    Totals::Answers answersOnPages() const;

    QString m_code;
    int m_page = 0;
    bool m_closed = false;

    SubjectStore m_subjects;
    AnswerStore m_answers;
    // What is stored, as last read or written: the four answer rows and the header's columns
    // of IDE (empty when the subject is not registered).
    AnswerStore::Rows m_stored;
    QHash<QString, QString> m_storedHeader;
    SubjectHold m_hold;

    // The start screen: the title and the introduction.
    QWidget* m_startScreen = nullptr;
    // The test screen: the subject's header above the pages, in one scrolled part; the
    // navigation buttons stay below it, outside the scrolling.
    QScrollArea* m_scroll = nullptr;
    QWidget* m_header = nullptr;
    QLineEdit* m_openedCode = nullptr; // the code the window was opened for, kept out of sight
    QLineEdit* m_subjectCode = nullptr;
    QLineEdit* m_firstName = nullptr;
    QLineEdit* m_lastName = nullptr;
    QComboBox* m_sex = nullptr;
    QLineEdit* m_age = nullptr;
    QLineEdit* m_grade = nullptr;
    QLineEdit* m_date = nullptr;
    QLineEdit* m_time = nullptr;

    QStackedWidget* m_pages = nullptr;
    // ticks[table-1][type][k-1]
    std::array<std::array<QVector<ItemCheck*>, 6>, 3> m_ticks;
    std::array<std::array<Rating, 2>, 6> m_ratings;

    QPushButton* m_startButton = nullptr;
    QPushButton* m_nextButton = nullptr;
    QPushButton* m_backButton = nullptr;
    QPushButton* m_saveButton = nullptr;
};
