#pragma once
#include "records/XlsProtocol.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <utility>

// Reads cell values from a spreadsheet workbook: Office Open XML (.xlsx, .xlsm), OpenDocument
// (.ods) and BIFF (.xls). The format is recognised by the file's content, not its name.
// A cell's value comes back as the text a spreadsheet shows for it in the General format:
// a number 1 gives "1" whether stored as 1 or 1.0, 2.5 gives "2.5", a boolean "TRUE"/"FALSE",
// a text cell its text (shared, inline, rich or a formula's cached result), an empty or
// missing cell "". Nothing in the file is ever run: formulas give their stored result, macros
// are ignored. Damaged input (truncated archive, malformed XML, entries that inflate beyond
// the caps below, an XML part that declares a document type, cell text beyond the caps
// below, repeated spaces counted as the characters they stand for) is refused with an
// error, never a crash, a hang or an exhausted memory.
class WorkbookReader {
public:
    enum class Format { None, OfficeOpenXml, OpenDocument, Biff };

    // Caps that no real answer workbook comes near.
    static constexpr qint64 MaxFileBytes = 64 * 1024 * 1024;
    static constexpr qint64 MaxEntryBytes = 64 * 1024 * 1024; // one inflated XML part
    static constexpr qint64 MaxBiffCells = XlsProtocol::MaxCells;         // rows x columns of all .xls sheets
    static constexpr qint64 MaxBiffReplyBytes = XlsProtocol::MaxReplyBytes; // the .xls reader's whole answer
    static constexpr int DefaultBiffTimeoutMs = XlsProtocol::DefaultTimeoutMs; // the .xls reader's time limit
    static constexpr qint64 BiffHelperMemoryBytes = 1024LL * 1024 * 1024; // the .xls reader's address space
    static constexpr int MaxCellText = 32767; // characters of one cell, as in spreadsheets
    static constexpr qint64 MaxWorkbookText = 4 * 1024 * 1024; // characters of all cells read at once

    WorkbookReader();
    ~WorkbookReader();
    WorkbookReader(const WorkbookReader&) = delete;
    WorkbookReader& operator=(const WorkbookReader&) = delete;

    bool open(const QString& path, QString* error = nullptr);
    // The same for a workbook held in memory (the fuzz target and some tests use it).
    bool openData(const QByteArray& data, QString* error = nullptr);
    void close();
    bool isOpen() const;
    Format format() const;

    QStringList sheetNames() const;
    // Reads the cells named by their addresses ("Z3", "C240") from the sheet of that name
    // (matched without regard to case, as spreadsheets do). Every address asked for gets an
    // entry in *values, "" when the cell is empty. Only those cells are kept.
    bool readCells(const QString& sheet, const QStringList& addresses, QHash<QString, QString>* values,
                   QString* error = nullptr);
    // One cell; "" when it is empty or cannot be read.
    QString cell(const QString& sheet, const QString& address, QString* error = nullptr);

    // "C3" -> row 3, column 3 (both from 1); false when the text is not an A1 address.
    static bool parseAddress(const QString& address, int* row, int* column);
    // The General-format text of a number: 1 -> "1", 2.5 -> "2.5", 0.1+0.2 -> "0.3".
    static QString numberText(double value);

    // .xls files are read by the helper program meravel-xls in a process of its own, as the
    // library it uses is not safe against crafted files: a helper that crashes, overruns its
    // time limit or gives an answer that does not parse leaves the workbook unreadable (a
    // damaged workbook), never the program. On POSIX systems it also runs under a memory
    // and a processor-time limit. The helper is the one set here (tests), else
    // MERAVEL_XLS_HELPER, else BiffHelperName beside the running program (portable mode),
    // else the installed one (ProgramFolder::helperProgram).
#ifdef _WIN32
    static constexpr char BiffHelperName[] = "meravel-xls.exe";
#else
    static constexpr char BiffHelperName[] = "meravel-xls";
#endif
    static void setBiffHelper(const QString& program, int timeoutMs = DefaultBiffTimeoutMs);
    static QString biffHelper();

    // The helper's answer, parsed and checked (the format is described in XlsProtocol.h).
    struct BiffReply {
        int refusal = 0; // the library's code when the helper refused the file
        QStringList sheets;
        QList<std::pair<QPair<int, int>, QString>> cells; // (row, column) from 1 -> text
    };
    // False unless the answer is complete and well formed; at most maxCells cells.
    static bool parseBiffReply(const QByteArray& output, bool sheetList, int maxCells, BiffReply* reply);

    struct Impl;

private:
    // What an open ends with: opened, or false with the reader left closed.
    bool closeUnless(bool opened);

    std::unique_ptr<Impl> d;
};
