#pragma once
#include <QString>
#include <QStringList>

// The import of a subject's answers from the answer workbook, without windows: the Excel
// exchange window and the companion tool's import command both use it.
//
// The answer workbook: the sheet `SheetName`, the marker "Meravel" in Z3, every answer in one
// cell of column C (rows 3-235 for the tick items of S1 to S3, one row skipped between
// blocks; rows 237-242 and 244-249 for the twelve ratings).
namespace WorkbookImport {
extern const char* const SheetName;     // the fixed name of the answer sheet
extern const char* const MarkerCell;    // "Z3"
extern const char* const MarkerText;    // "Meravel"
extern const char* const BlankWorkbook; // the blank answer workbook in the program folder

// The row of item k (from 1) of type t (0..5) of table 1..4 ("C3"); "" when there is none.
int answerRow(int table, int type, int item);
QString answerCell(int table, int type, int item);
// Every cell the import reads: the marker, then the answers in table, type and item order.
QStringList cellsRead();

// Tick cells: ticked when the value taken as a number is 1 (a number 1 or the text "1").
bool cellTicks(const QString& value);
// Rating cells: empty, or a whole number 1 to 7. *stored gets what the rating column keeps.
bool ratingAcceptable(const QString& value, QString* stored);

// ---- selection of the subject
struct Selection {
    enum Status { Selected, EmptyCode, NotFound, Failed } status = Failed;
    QString name;    // FName + " " + LName
    QString message; // the self-closing message for EmptyCode and NotFound; the error for Failed
};
// Finds the subject and creates its missing S1..S4 rows (one transaction).
Selection select(const QString& code);

// ---- import
struct Box {
    QString text;
    QString caption;
    enum Icon { None, Information, Exclamation } icon = None;
};
struct Result {
    enum Status { Stored, NoFile, Unreadable, WrongMarker, BadRating, NoSubject, StoreFailed } status = StoreFailed;
    QString cell;   // the refused rating cell
    QString detail; // what the reader or the database reported
    Box box;        // what the window shows (text, caption, icon)
    bool ok() const { return status == Stored; }
};
// Reads the workbook at `path` and stores every answer of S1..S4 and the six totals of the
// subject in one transaction; nothing is written unless every check passed.
Result run(const QString& code, const QString& path);
} // namespace WorkbookImport
