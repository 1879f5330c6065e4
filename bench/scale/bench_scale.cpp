// Times every operation a clinic waits for, on a program folder of a given size, each beside
// a reference measured in the same run: the sqlite3 shell doing the equivalent query (a whole
// process, so it includes the shell's own start) and cp for the backup copy. Every figure is
// the best of several runs; set-up between runs is not timed.
//
//   bench_scale ops FOLDER N [--runs R] [--report-runs R] [--empty EMPTY_FOLDER] [--no-reference]
//                           [--only startup,test,scoring,lookup,excel,register,score,grid,search,
//                                   import,export,report,backup]
//       prints one markdown table row per operation; with --no-reference (always on Windows,
//       which has neither the sqlite3 shell nor cp) the reference columns read "-"
//   bench_scale startup FOLDER
//       the program's start-up: prints "shown" once the main window is on screen
//
// The windows run with the scripted dialogs, so message and input boxes answer at once.
#include "app/AppSetup.h"
#include "data/ClinicData.h"
#include "ScriptedDialogs.h"
#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/ProgramWindows.h"
#include "backup/Backup.h"
#include "data/Database.h"
#include "data/ProgramFolder.h"
#include "questionnaire/QuestionnaireWindow.h"
#include "records/LookupWindow.h"
#include "records/SubjectSearch.h"
#include "records/WorkbookWindow.h"
#include "report/SubjectListReport.h"
#include "records/WorkbookImport.h"
#include "scoring/CsvWriter.h"
#include "scoring/Export.h"
#include "scoring/ScoringWindow.h"
#include "scoring/XlsxExport.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QLockFile>
#include <QProcess>
#include <QPushButton>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>

namespace {
QTextStream out(stdout);
// The sqlite3 shell and cp are there to measure against; a Windows machine has neither.
#ifdef Q_OS_WIN
bool references = false;
#else
bool references = true;
#endif

void settle()
{
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
}

// Best wall time in ms of `op` over `runs` runs; `before` runs untimed ahead of each.
double best(int runs, const std::function<void(int)>& op, const std::function<void(int)>& before = {})
{
    double b = std::numeric_limits<double>::max();
    for (int i = 0; i < runs; ++i) {
        if (before)
            before(i);
        QElapsedTimer t;
        t.start();
        op(i);
        b = std::min(b, t.nsecsElapsed() / 1e6);
        settle();
    }
    return b;
}

// Best wall time in ms of a whole process (program and arguments from `command(i)`).
// 0 when the references are off.
double bestProcess(int runs, const std::function<QStringList(int)>& command, const QString& stdoutFile = QString())
{
    if (!references)
        return 0;
    return best(runs, [&](int i) {
        QStringList c = command(i);
        QProcess p;
        p.setStandardOutputFile(stdoutFile.isEmpty() ? QProcess::nullDevice() : stdoutFile);
        p.start(c.takeFirst(), c);
        p.waitForFinished(-1);
        if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0 || p.error() == QProcess::FailedToStart)
            out << "reference failed: " << command(i).join(' ') << '\n';
    });
}

QString q(const QString& text) { return "'" + QString(text).replace('\'', "''") + "'"; }

// The SET list writing `value` into every answer column of a table.
QString setAll(const QString& table, const QString& value)
{
    QStringList parts;
    QSqlQuery r(Database::connection(DbFile::Main));
    r.exec("SELECT name FROM pragma_table_info('" + table + "') WHERE name NOT IN ('rid', 'Code')");
    while (r.next())
        parts << '"' + r.value(0).toString() + "\" = " + value;
    return parts.join(", ");
}

QString scalar(const QString& sql)
{
    QSqlQuery r(Database::connection(DbFile::Main));
    return r.exec(sql) && r.next() ? r.value(0).toString() : QString();
}

template <typename T> T* child(QWidget* w, const char* name)
{
    T* c = w->findChild<T*>(name);
    if (!c) {
        out << "no child " << name << '\n';
        out.flush();
        std::exit(2);
    }
    return c;
}

struct Row {
    QString operation;
    double app = 0, ref = 0;
    QString reference; // what the reference did
    QString target;    // "" when the operation has no target
};

int startupMode(int argc, char** argv, const QString& folder)
{
    QApplication app(argc, argv);
    AppSetup::configure(app);
    ProgramFolder::setPath(folder);
    // As the program does: one instance per folder.
    QLockFile lock(ProgramFolder::file("meravel.lock"));
    lock.setStaleLockTime(0);
    lock.tryLock(0);
    ScopedScriptedDialogs dialogs;
    MainWindow* main = MainWindow::load(ProgramWindows::openers());
    if (!main)
        return 1;
    while (!main->windowHandle() || !main->windowHandle()->isExposed())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    QApplication::processEvents(); // the first paint
    std::fputs("shown\n", stdout);
    std::fflush(stdout);
    lock.unlock();
    std::_Exit(0); // the parent stops its clock at "shown"; no need to tear down
}

double startupMs(int runs, const QString& folder)
{
    return best(runs, [&](int) {
        QProcess p;
        p.start(QCoreApplication::applicationFilePath(), {"startup", folder});
        while (p.state() != QProcess::NotRunning && !p.canReadLine())
            p.waitForReadyRead(-1);
        if (!p.readLine().startsWith("shown"))
            out << "start-up failed in " << folder << '\n';
        p.waitForFinished(-1);
    });
}
} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && QByteArray(argv[1]) == "startup")
        return startupMode(argc, argv, QString::fromLocal8Bit(argv[2]));
    if (argc < 4 || QByteArray(argv[1]) != "ops") {
        std::fputs("usage: bench_scale ops FOLDER N [--runs R] [--report-runs R] [--empty FOLDER] [--no-reference]\n"
                   "                        [--only KEY,...]\n"
                   "       bench_scale startup FOLDER\n",
                   stderr);
        return 2;
    }
    QApplication app(argc, argv);
    AppSetup::configure(app);
    // The program finds its face beside itself; the benchmark only through MERAVEL_FONT_DIR.
    if (!AppSetup::loadDisplayFont())
        std::fputs("note: the display face was not found (MERAVEL_FONT_DIR); the windows use a fallback face\n",
                   stderr);
    const QString folder = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    const int n = QString(argv[3]).toInt();
    int runs = 5, reportRuns = 1;
    QString empty;
    QStringList only; // --only key,key: startup, test, scoring, lookup, excel, register, score, grid,
                      // search, import, export, report, backup
    for (int i = 4; i < argc; ++i) {
        const QByteArray o = argv[i];
        if (o == "--no-reference") { // the one option without a value
            references = false;
            continue;
        }
        if (i + 1 >= argc)
            break;
        const QString value = QString::fromLocal8Bit(argv[++i]);
        if (o == "--runs")
            runs = value.toInt();
        else if (o == "--report-runs")
            reportRuns = value.toInt();
        else if (o == "--empty")
            empty = value;
        else if (o == "--only")
            only = value.split(',');
    }
    auto want = [&](const char* key) { return only.isEmpty() || only.contains(key); };
    ProgramFolder::setPath(folder);
    const QString db = ProgramFolder::mainDatabase(), theme = ProgramFolder::themeDatabase();
    QTemporaryDir tmp;
    ScopedScriptedDialogs d;
    QList<Row> rows;
    auto sqlite = [&](const QString& sql) { return QStringList{"sqlite3", db, sql}; };
    const QString mid = QString::number(n / 2);
    const QString under200 = "< 200 ms";

    // ---- start-up, on this folder and on the empty database
    if (want("startup")) {
        Row r{"start-up until the main window is shown", startupMs(runs, folder), 0, "", ""};
        r.reference = "sqlite3: Theme and the first IDE, S1..S4 rows";
        r.ref = bestProcess(runs, [&](int) {
            return sqlite("ATTACH " + q(theme) + " AS t; SELECT * FROM t.Theme; SELECT * FROM IDE ORDER BY rid LIMIT 1;"
                          " SELECT * FROM S1 ORDER BY rid LIMIT 1; SELECT * FROM S2 ORDER BY rid LIMIT 1;"
                          " SELECT * FROM S3 ORDER BY rid LIMIT 1; SELECT * FROM S4 ORDER BY rid LIMIT 1;");
        });
        if (!empty.isEmpty()) {
            const double e = startupMs(runs, empty);
            r.target = QString("%1 ms on the empty database: %2x (target <= 1.5x)")
                           .arg(e, 0, 'f', 1)
                           .arg(r.app / e, 0, 'f', 2);
        }
        rows << r;
    }

    // ---- opening the windows
    if (want("test")) {
        Row r{"open test window (QuestionnaireWindow)", 0, 0, "sqlite3: the subject's IDE and S1..S4 rows", under200};
        r.app = best(runs, [&](int) {
            QuestionnaireWindow w;
            if (!w.openFor(mid, nullptr))
                out << "test window refused " << mid << '\n';
            w.show();
            QApplication::processEvents();
            w.hide();
        });
        QString sql;
        for (const char* t : {"IDE", "S1", "S2", "S3", "S4"})
            sql += QString("SELECT * FROM %1 WHERE Code = %2;").arg(t, q(mid));
        r.ref = bestProcess(runs, [&](int) { return sqlite(sql); });
        rows << r;
    }
    if (want("scoring")) {
        Row r{"open scoring window (ScoringWindow)", 0, 0, "sqlite3: the Theme row", under200};
        r.app = best(runs, [&](int) {
            ScoringWindow* w = ScoringWindow::open({});
            QApplication::processEvents();
            w->close();
        });
        r.ref = bestProcess(runs, [&](int) { return QStringList{"sqlite3", theme, "SELECT * FROM Theme;"}; });
        rows << r;
    }
    if (want("lookup")) {
        Row r{"open look-up window (LookupWindow)", 0, 0, "sqlite3: first 256 grid rows, first 256 of each name list", under200};
        r.app = best(runs, [&](int) {
            LookupWindow w;
            w.show();
            QApplication::processEvents();
        });
        r.ref = bestProcess(runs, [&](int) {
            return sqlite("SELECT Code, FName, LName, \"Group\" FROM IDE ORDER BY rid LIMIT 256;"
                          " SELECT DISTINCT FName FROM IDE WHERE FName IS NOT NULL ORDER BY FName LIMIT 256;"
                          " SELECT DISTINCT LName FROM IDE WHERE LName IS NOT NULL ORDER BY LName LIMIT 256;");
        });
        rows << r;
    }
    if (want("excel")) {
        Row r{"open Excel exchange window (WorkbookWindow)", 0, 0, "sqlite3: opening the database (the window reads no table)",
              under200};
        r.app = best(runs, [&](int) {
            WorkbookWindow* w = WorkbookWindow::open(nullptr);
            QApplication::processEvents();
            w->close();
        });
        r.ref = bestProcess(runs, [&](int) { return sqlite("SELECT count(*) FROM sqlite_master;"); });
        rows << r;
    }

    // ---- registration Save, with the next-code search of the panel's opening
    if (want("register")) {
        Row r{"registration: open panel (next code) + Save", 0, 0,
              "sqlite3: last S2 code, code check, IDE + S1..S4 inserts in one transaction", under200};
        MainWindow* main = MainWindow::load(ProgramWindows::openers());
        if (!main)
            return 1;
        settle();
        const int before = scalar("SELECT count(*) FROM IDE").toInt();
        r.app = best(runs, [&](int) {
            d.clear();
            child<QPushButton>(main, "Command1")->click();
            child<QLineEdit>(main, "Text6")->setText(QString::fromUtf8("سارا"));
            child<QLineEdit>(main, "Text4")->setText(QString::fromUtf8("كريمي"));
            auto* sex = child<QComboBox>(main, "Combo2");
            sex->setCurrentIndex(1);
            emit sex->activated(1);
            child<QLineEdit>(main, "Text5")->setText("14");
            child<QLineEdit>(main, "Text15")->setText(QString::fromUtf8("نهم"));
            auto* group = child<QComboBox>(main, "Combo3");
            group->setCurrentIndex(2);
            emit group->activated(2);
            child<QPushButton>(main, "Command8")->click();
            QApplication::processEvents();
        });
        if (scalar("SELECT count(*) FROM IDE").toInt() != before + runs || !d.selfClosingTexts().isEmpty())
            out << "registration did not store every subject: " << d.selfClosingTexts().join(" / ") << '\n';
        main->setAttribute(Qt::WA_DeleteOnClose, false);
        delete main; // without the exit window
        settle();
        r.ref = bestProcess(runs, [&](int i) {
            const QString code = q(QString("ref%1").arg(i));
            QString sql = "SELECT Code FROM S2 ORDER BY rid DESC LIMIT 1; SELECT rid FROM S2 WHERE Code = " + code
                          + " LIMIT 1; BEGIN; INSERT INTO IDE (Code, FName, LName, Jens, Sen, Tahsil, \"Group\", \"Date\","
                            " \"Time\") VALUES (" + code + ", 'a', 'b', 'c', '14', 'd', 'C', '1402/07/15', '09:30:05');";
            for (const char* t : {"S1", "S2", "S3", "S4"})
                sql += QString(" INSERT INTO %1 (Code) VALUES (%2);").arg(t, code);
            return sqlite(sql + " COMMIT;");
        });
        QSqlQuery c(Database::connection(DbFile::Main));
        for (const char* t : {"IDE", "S1", "S2", "S3", "S4"})
            c.exec(QString("DELETE FROM %1 WHERE Code LIKE 'ref%'").arg(t));
        rows << r;
    }

    // ---- selecting and scoring a subject
    if (want("score")) {
        Row r{"scoring: select and score a subject", 0, 0, "sqlite3: the subject's IDE row and three type1 rows", under200};
        ScoringWindow* w = ScoringWindow::open({});
        settle();
        r.app = best(runs, [&](int i) {
            d.inputAnswers.enqueue(QString::number(1 + (n / 3 + i * 17) % n));
            w->selectSubject();
            QApplication::processEvents();
        });
        if (!w->isSelected())
            out << "scoring selected no subject\n";
        w->close();
        settle();
        r.ref = bestProcess(runs, [&](int i) {
            return sqlite(QString("SELECT Code, FName, LName, Jens, Sen, Tahsil, \"Date\", \"Time\", V, J, H, A, M, GH FROM IDE"
                                  " WHERE Code = '%1' ORDER BY rid LIMIT 1;")
                              .arg(1 + (n / 3 + i * 17) % n)
                          + " SELECT * FROM type1 WHERE code = 'R' ORDER BY rid LIMIT 1;"
                            " SELECT * FROM type1 WHERE code = 'I' ORDER BY rid LIMIT 1;"
                            " SELECT * FROM type1 WHERE code = 'A' ORDER BY rid LIMIT 1;");
        });
        rows << r;
    }

    // ---- finding a subject by a folded name (the look-up window's name boxes, meravel-cli find)
    if (want("search")) {
        // Last names typed with the Arabic kaf and yeh and a stray blank: the generated names
        // are found through the folding all the same.
        Row s{"folded name search (index in memory)", 0, 0, "sqlite3: the rows of the last name (exact, indexed)",
              "< 50 ms"};
        int found = 0;
        s.app = best(
            runs,
            [&](int i) {
                found += SubjectSearch::find({QString(), QString(), QString(" Last,  %1 ").arg(i * 13), QString()})
                             .size();
            },
            [&](int i) {
                if (i == 0)
                    SubjectSearch::find({QString(), QString(), "x", QString()}); // the index is built ahead
            });
        if (!found)
            out << "the folded search found nothing\n";
        s.ref = bestProcess(runs, [&](int i) {
            return sqlite(
                QString("SELECT Code, FName, LName, \"Group\" FROM IDE WHERE LName = 'Last, %1' ORDER BY rid;")
                    .arg(i * 13));
        });
        s.target += s.app < 50 ? ": met" : ": MISSED";
        rows << s;
        Row b{"folded name search after a change (index rebuilt)", 0, 0, "sqlite3: code and names of every subject",
              ""};
        b.app = best(
            runs,
            [&](int i) {
                SubjectSearch::find({QString(), QString(), QString("Last, %1").arg(i), QString()});
            },
            [&](int) { SubjectSearch::invalidate(); });
        b.ref = bestProcess(runs,
                            [&](int) { return sqlite("SELECT Code, FName, LName, \"Group\" FROM IDE ORDER BY rid;"); });
        rows << b;
    }

    // ---- the look-up grid filtered, and a deletion
    Row del;
    if (want("grid")) {
        LookupWindow w;
        w.show();
        settle();
        auto* group = child<QComboBox>(&w, "DataCombo3");
        auto* last = child<QComboBox>(&w, "DataCombo2");
        Row g{"look-up grid filtered by group", 0, 0, "sqlite3: first 256 rows of the group", under200};
        g.app = best(runs, [&](int i) {
            group->setEditText(QString(QChar('A' + i % 7)));
            QApplication::processEvents();
        });
        g.ref = bestProcess(runs, [&](int i) {
            return sqlite(QString("SELECT Code, FName, LName, \"Group\" FROM IDE WHERE \"Group\" = '%1' ORDER BY rid LIMIT 256;")
                              .arg(QChar('A' + i % 7)));
        });
        rows << g;
        Row l{"look-up grid filtered by last name", 0, 0, "sqlite3: the rows of the last name", under200};
        l.app = best(runs, [&](int i) {
            last->setEditText(QString("Last, %1").arg(i * 13));
            QApplication::processEvents();
        });
        l.ref = bestProcess(runs, [&](int i) {
            return sqlite(QString("SELECT Code, FName, LName, \"Group\" FROM IDE WHERE LName = 'Last, %1' ORDER BY rid LIMIT 256;")
                              .arg(i * 13));
        });
        rows << l;

        del = Row{"delete a subject (look-up window)", 0, 0, "sqlite3: five deletes in one transaction", under200};
        const int before = scalar("SELECT count(*) FROM IDE").toInt();
        del.app = best(runs, [&](int i) {
            d.clear();
            child<QLineEdit>(&w, "Text1")->setText(QString::number(n / 4 + i));
            d.messageAnswers.enqueue(MsgResult::Yes);
            child<QPushButton>(&w, "Command1")->click();
            QApplication::processEvents();
        });
        if (scalar("SELECT count(*) FROM IDE").toInt() != before - runs)
            out << "deletion did not remove every subject\n";
    }
    if (want("grid")) {
        // The sqlite3 shell can write only when no grid of the window holds a read open.
        del.ref = bestProcess(runs, [&](int i) {
            QString sql = "BEGIN;";
            for (const char* t : {"IDE", "S2", "S1", "S3", "S4"})
                sql += QString(" DELETE FROM %1 WHERE rid = (SELECT rid FROM %1 WHERE Code = '%2' ORDER BY rid LIMIT 1);")
                           .arg(t)
                           .arg(n / 4 + runs + i);
            return sqlite(sql + " COMMIT;");
        });
        rows << del;
    }

    // ---- importing one workbook through the Excel exchange window
    if (want("import")) {
        Row r{"import one workbook (Excel exchange window)", 0, 0,
              "sqlite3: S1..S4 and totals updates in one transaction", under200};
        const QString workbook = ProgramFolder::file(WorkbookImport::BlankWorkbook);
        WorkbookWindow* w = WorkbookWindow::open(nullptr);
        settle();
        QString caption;
        r.app = best(runs, [&](int i) {
            d.clear();
            d.inputAnswers.enqueue(QString::number(n / 5 + i));
            d.fileAnswers.enqueue(workbook);
            child<QPushButton>(w, "Print_Btn")->click();
            child<QPushButton>(w, "Send_BtnExcel")->click();
            QApplication::processEvents();
            caption = d.messages().isEmpty() ? QString() : d.messages().last().caption;
        });
        if (caption == "Error" || d.messages().isEmpty())
            out << "import failed: " << (d.messages().isEmpty() ? QString() : d.messages().last().text) << '\n';
        w->close();
        settle();
        QStringList sets;
        for (const char* t : {"S1", "S2", "S3"})
            sets << QString(t) + '|' + setAll(t, "''");
        sets << "S4|" + setAll("S4", "''");
        r.ref = bestProcess(runs, [&](int i) {
            const QString code = q(QString::number(n / 5 + i));
            QString sql = "BEGIN;";
            for (const QString& s : sets)
                sql += QString(" UPDATE %1 SET %2 WHERE rid = (SELECT rid FROM %1 WHERE Code = %3 ORDER BY rid LIMIT 1);")
                           .arg(s.section('|', 0, 0), s.section('|', 1), code);
            sql += " UPDATE IDE SET V = '0', J = '0', H = '0', A = '0', M = '0', GH = '0' WHERE Code = " + code + ";";
            return sqlite(sql + " COMMIT;");
        });
        rows << r;
    }

    // ---- whole-table operations
    if (want("export")) {
        Row r{"export all results (CSV)", 0, 0, "sqlite3 -csv: the IDE columns of every row", ""};
        const QString path = tmp.filePath("export.csv");
        r.app = best(runs, [&](int) {
            QFile f(path);
            QString error;
            if (!f.open(QIODevice::WriteOnly) || !Scoring::exportCsv(&f, &error))
                out << "export failed: " << error << '\n';
        });
        r.ref = bestProcess(
            runs,
            [&](int) {
                return QStringList{"sqlite3", "-csv", "-header", db,
                                   "SELECT Code, FName, LName, Jens, Sen, Tahsil, \"Group\", \"Date\", \"Time\", V, J, H, A,"
                                   " M, GH FROM IDE ORDER BY rid"};
            },
            tmp.filePath("shell.csv"));
        rows << r;
        // The spreadsheet export of the same subjects, beside the CSV export it is held to.
        Row x{"export all results (xlsx)", 0, r.ref, r.reference, ""};
        const QString xlsxPath = tmp.filePath("export.xlsx");
        x.app = best(runs, [&](int) {
            QString error;
            if (Scoring::exportXlsx(xlsxPath, {}, &error) != Scoring::ExportOutcome::Written)
                out << "xlsx export failed: " << error << '\n';
        });
        x.target = QString("%1x the CSV export (target <= 3x); %2 MiB")
                       .arg(x.app / r.app, 0, 'f', 2)
                       .arg(QFileInfo(xlsxPath).size() / 1048576.0, 0, 'f', 1);
        rows << x;
    }
    if (want("report")) {
        Row r{"subject-list report to PDF", 0, 0, "sqlite3: the report's columns of every row", ""};
        const ClinicData clinic = ClinicData::load();
        const QString path = tmp.filePath("list.pdf");
        r.app = best(reportRuns, [&](int) {
            SubjectListReport report;
            QString error;
            report.setDataSourceAllSubjects(&error);
            report.applyClinic(clinic.showLogo, clinic.logo, clinic.name, clinic.address, clinic.contactText);
            if (!report.writePdf(path, &error))
                out << "report failed: " << error << '\n';
        });
        r.ref = bestProcess(reportRuns, [&](int) {
            return sqlite("SELECT Code, FName, LName, Jens, Sen, Tahsil, \"Group\", \"Date\", \"Time\", V, J, H, A, M, GH"
                          " FROM IDE ORDER BY rid");
        });
        rows << r;
    }
    if (want("backup")) {
        Row r{"backup copy of the database", 0, 0, "cp of the same file", ""};
        Database::closeAll();
        const QString a = tmp.filePath("backup.mdb"), b = tmp.filePath("cp.mdb");
        r.app = best(
            runs,
            [&](int) {
                const Backup::Result res = Backup::backupDatabase(a);
                if (!res.ok())
                    out << "backup failed: " << res.message << '\n';
            },
            [&](int) { QFile::remove(a); });
        r.ref = bestProcess(runs, [&](int) { return QStringList{"cp", db, b}; });
        // The backup flushes its copy to disk before the rename; cp does not. cp followed by
        // sync of the copy shows what that flush costs on this disk.
        const double synced = bestProcess(runs, [&](int) {
            return QStringList{"sh", "-c", "cp \"$0\" \"$1\" && sync \"$1\"", db, b};
        });
        const double mb = QFileInfo(db).size() / 1048576.0;
        // The backup reads under a read transaction and checks its copy (quick check) before
        // the rename; the target compares it with cp followed by sync of the copy.
        r.target = QString("%1 MiB: %2 MiB/s").arg(mb, 0, 'f', 1).arg(mb / (r.app / 1000), 0, 'f', 0);
        if (references)
            r.target += QString(", cp %1 MiB/s (%2x cp); cp + sync %3 ms: %4x (target >= 0.5x)")
                            .arg(mb / (r.ref / 1000), 0, 'f', 0)
                            .arg(r.ref / r.app, 0, 'f', 2)
                            .arg(synced, 0, 'f', 1)
                            .arg(synced / r.app, 0, 'f', 2);
        rows << r;
    }

    for (const Row& r : rows) {
        QString target = r.target;
        if (target == under200)
            target = r.app < 200 ? "< 200 ms: met" : "< 200 ms: MISSED";
        const QString ref = references ? QString::number(r.ref, 'f', 1) : QString("-");
        const QString ratio = references ? QString::number(r.app / r.ref, 'f', 1) : QString("-");
        out << "| " << n << " | " << r.operation << " | " << QString::number(r.app, 'f', 1) << " | " << ref << " | "
            << ratio << " | " << (references ? r.reference : QString("-")) << " | " << target << " |\n";
    }
    out.flush();
    Database::closeAll();
    return 0;
}
