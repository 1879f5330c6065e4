#pragma once
#include "scoring/GroupSummary.h"

#include "data/ClinicData.h"

#include <QDialog>
#include <functional>

#include "scoring/XlsxExport.h"

class QAbstractItemModel;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSqlQueryModel;
class QTableView;

// The look-up window: finds a forgotten subject code by group, last name or first name
// (compared folded, through SubjectSearch), and
// deletes a subject with all of the subject's answers. Opened modally by the main window.
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

    // handlers, named after the controls
    void groupChosen();   // group
    void lastNameChosen();   // last name
    void firstNameChosen();   // first name
    void deleteSubject();      // delete
    void printGroupReport(); // the group summary report of the listed subjects
    void exportListed(); // spreadsheet export of the listed subjects
    void analyzeListed(); // the item report of the listed subjects (PDF or workbook)
    // Runs the export off the window's thread, with a progress box that can cancel it.
    Scoring::ExportOutcome runExport(const QString& path, qint64 count, QString* error);

    QSqlQueryModel* m_grid = nullptr; // every subject
    QAbstractItemModel* m_found = nullptr; // the subjects a filter found
    QSqlQueryModel* m_firstNames = nullptr;
    QSqlQueryModel* m_lastNames = nullptr;
    QTableView* m_dataGrid1 = nullptr;
    QComboBox* m_dataCombo1 = nullptr; // first name
    QComboBox* m_dataCombo2 = nullptr; // last name
    QComboBox* m_dataCombo3 = nullptr; // group
    QAbstractItemModel* m_noNames = nullptr; // what a completer holds while it is let go
    QLineEdit* m_text1 = nullptr;      // code to delete
    QPushButton* m_command1 = nullptr; // delete
    QPushButton* m_command2 = nullptr; // exit
    QPushButton* m_command3 = nullptr; // group summary report
    QPushButton* m_commandExcel = nullptr; // spreadsheet export
    QPushButton* m_commandItems = nullptr; // item analysis
    QString m_filterColumn, m_filterValue;
    bool m_emptying = false; // emptying a box does not filter the grid again
};
