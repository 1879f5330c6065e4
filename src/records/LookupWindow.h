#pragma once
#include "scoring/GroupSummary.h"

#include "data/ClinicData.h"

#include "scoring/XlsxExport.h"

#include <QDialog>
#include <QFutureWatcher>
#include <QPointer>

#include <atomic>
#include <functional>
#include <memory>

class QAbstractItemModel;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QProgressDialog;
class QPushButton;
class QSqlQueryModel;
class QTableView;
class SubjectStore;

// The look-up window: finds a forgotten subject code by group, last name or first name
// (compared folded, through SubjectSearch), and
// deletes a subject with all of the subject's answers. Opened modally by the main window.
// The spreadsheet export runs on a thread of its own: meanwhile the window keeps drawing, what
// would start another export or delete a subject is disabled, and closing cancels the export.
class LookupWindow : public QDialog {
    Q_OBJECT
public:
    explicit LookupWindow(QWidget* parent = nullptr);
    // The clinic data the group report prints (asked at every print); without it the stored
    // data is read.
    void setClinicData(std::function<ClinicData()> clinicData) { m_clinicData = std::move(clinicData); }
    ~LookupWindow() override;

    // The filter the grid shows: column and value, or an empty column for all subjects.
    QString gridFilterColumn() const { return m_filterColumn; }
    QString gridFilterValue() const { return m_filterValue; }
    // The subjects the grid lists, as the group summary selects them.
    GroupSummary::Selection gridSelection() const;
    // The subjects the grid lists, as the spreadsheet export selects them.
    Scoring::SubjectFilter gridFilter() const;
    // Whether the grid lists the rows of a folded name search, and their codes.
    bool listsFoundRows() const;
    QStringList listedCodes() const;
    // The name the export's save dialog proposes: the subjects and today's Solar Hijri date.
    static QString defaultExportName();
    // Whether an export is running (until its result has been shown).
    bool isExporting() const { return m_exporting; }

    // Closes the window; while an export runs, cancels it and closes once it has stopped.
    void reject() override;

signals:
    // An export has ended and its message was shown (none when cancelled).
    void exportFinished(Scoring::ExportOutcome outcome);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<ClinicData()> m_clinicData;
    void showRows(const QString& column = QString(), const QString& value = QString());
    void reloadNameLists();
    void showModel(QAbstractItemModel* model);
    void emptyBoxes(QComboBox* a, QComboBox* b);
    void detachCompleter(QComboBox* box);
    static QString programTitle();

    // handlers of the controls
    void groupChosen();
    void lastNameChosen();
    void firstNameChosen();
    void deleteSubject();
    void printGroupReport(); // the group summary report of the listed subjects
    void exportListed(); // spreadsheet export of the listed subjects
    void analyzeListed(); // the item report of the listed subjects (PDF or workbook)

    // The export off the window's thread, with a progress box that can cancel it.
    struct ExportRun {
        Scoring::ExportOutcome outcome = Scoring::ExportOutcome::Failed;
        QString error;
    };
    void startExport(const QString& path, qint64 count);
    void exportDone();
    void showExportBusy(bool busy);

    SubjectStore* m_subjects = nullptr; // the subjects the grid finds and a deletion removes
    QSqlQueryModel* m_grid = nullptr; // every subject
    QAbstractItemModel* m_found = nullptr; // the subjects a filter found
    QSqlQueryModel* m_firstNames = nullptr;
    QSqlQueryModel* m_lastNames = nullptr;
    QTableView* m_subjectGrid = nullptr;
    QComboBox* m_firstNameBox = nullptr;
    QComboBox* m_lastNameBox = nullptr;
    QComboBox* m_groupBox = nullptr;
    QAbstractItemModel* m_noNames = nullptr; // what a completer holds while it is let go
    QGroupBox* m_deletion = nullptr;
    QLineEdit* m_deleteCodeBox = nullptr;
    QPushButton* m_deleteButton = nullptr;
    QPushButton* m_exitButton = nullptr;
    QPushButton* m_groupReportButton = nullptr;
    QPushButton* m_exportButton = nullptr;
    QPushButton* m_itemReportButton = nullptr;
    QString m_filterColumn, m_filterValue;
    bool m_emptying = false; // emptying a box does not filter the grid again

    QFutureWatcher<ExportRun> m_export;
    QPointer<QProgressDialog> m_progress;
    std::shared_ptr<std::atomic<bool>> m_exportCancelled;
    QString m_exportPath;
    bool m_exporting = false;
    bool m_closeAfterExport = false;
};
