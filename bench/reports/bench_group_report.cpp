// Times the group summary report: the subjects selected, read once and summarised (scoring
// each ordering of totals once), laid out and written as a PDF, beside the sqlite3 shell
// running the aggregate query of the same selection as a whole process. Subject counts on
// the command line (default 100000); each figure is the best of RUNS runs (default 5).
#include "app/AppSetup.h"
#include "data/ClinicData.h"
#include "data/Database.h"
#include "data/ProgramFolder.h"
#include "report/GroupReport.h"
#include "scoring/GroupSummary.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>

namespace {
bool fill(int count)
{
    QSqlDatabase db = Database::connection(DbFile::Main);
    QSqlQuery q(db);
    if (!db.transaction())
        return false;
    q.exec("DELETE FROM IDE");
    q.prepare(
        "INSERT INTO IDE (Code, FName, LName, Jens, Sen, Tahsil, \"Group\", \"Date\", \"Time\", V, J, H, A, M, GH)"
        " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    const QString first = QString::fromUtf8("محمد"), last = QString::fromUtf8("رضايي"), sex = QString::fromUtf8("پسر"),
                  grade = QString::fromUtf8("دوم دبيرستان");
    for (int i = 1; i <= count; ++i) {
        // One in twenty has not answered yet.
        const bool answered = i % 20 != 0;
        auto total = [&](int k) { return answered ? QVariant(QString::number((i * k + i / 7) % 51)) : QVariant(); };
        const QVariantList values{QString::number(i),
                                  first + QString::number(i % 97),
                                  last,
                                  sex,
                                  QString::number(12 + i % 8),
                                  grade,
                                  "B",
                                  "1403/01/15",
                                  "10:20",
                                  total(1),
                                  total(7),
                                  total(3),
                                  total(11),
                                  total(5),
                                  total(13)};
        for (const QVariant& v : values)
            q.addBindValue(v);
        if (!q.exec())
            return false;
    }
    return db.commit();
}

const char* const kAggregate =
    "SELECT count(*), count(V), avg(V), avg(V*V), avg(J), avg(J*J), avg(H), avg(H*H), avg(A), avg(A*A), "
    "avg(M), avg(M*M), avg(GH), avg(GH*GH) FROM IDE WHERE \"Group\" = 'B';";
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    AppSetup::configure(app);
    QTemporaryDir dir;
    for (const char* name : {"meravelDB.mdb", "Theme.skn"})
        QFile::copy(QString(MERAVEL_TEMPLATE) + '/' + name, dir.filePath(name));
    ProgramFolder::setPath(dir.path());

    QStringList counts = app.arguments().mid(1);
    if (counts.isEmpty())
        counts = {"100000"};
    const int runs = std::max(1, qEnvironmentVariableIntValue("RUNS") ? qEnvironmentVariableIntValue("RUNS") : 5);
    ClinicData clinic;
    clinic.name = QString::fromUtf8("مرکز مشاوره");
    clinic.address = QString::fromUtf8("تهران");
    clinic.contactText = "021-000\r\n";
    QTextStream out(stdout);
    out << "| subjects | operation | program ms | reference ms | ratio |\n|---:|---|---:|---:|---:|\n";
    for (const QString& c : counts) {
        const int n = c.toInt();
        if (!fill(n)) {
            out << "cannot fill " << n << " subjects\n";
            return 1;
        }
        GroupSummary::Selection selection;
        selection.group = "B";
        const QString pdf = dir.filePath(QString("group-%1.pdf").arg(n));
        qint64 bestSummary = -1, bestTotal = -1, bestReference = -1;
        int summarised = 0;
        for (int r = 0; r < runs; ++r) {
            QElapsedTimer t;
            t.start();
            GroupSummary::Summary summary;
            QString error;
            if (!GroupSummary::compute(selection, &summary, &error)) {
                out << error << '\n';
                return 1;
            }
            const qint64 computed = t.elapsed();
            GroupReport report;
            report.fill(summary, GroupReport::describe(selection));
            report.applyClinic(false, QImage(), clinic.name, clinic.address, clinic.contactText);
            if (!report.writePdf(pdf, &error)) {
                out << error << '\n';
                return 1;
            }
            const qint64 total = t.elapsed();
            summarised = summary.subjects;
            bestSummary = bestSummary < 0 ? computed : std::min(bestSummary, computed);
            bestTotal = bestTotal < 0 ? total : std::min(bestTotal, total);

            t.restart();
            QProcess sqlite;
            sqlite.start("sqlite3", {dir.filePath("meravelDB.mdb"), kAggregate});
            if (!sqlite.waitForFinished(60000) || sqlite.exitCode() != 0) {
                out << "sqlite3 failed: " << sqlite.readAllStandardError() << '\n';
                return 1;
            }
            const qint64 reference = t.elapsed();
            bestReference = bestReference < 0 ? reference : std::min(bestReference, reference);
        }
        if (summarised != n) {
            out << "summarised " << summarised << " of " << n << " subjects\n";
            return 1;
        }
        auto row = [&](const char* what, qint64 ms) {
            out << n << " | " << what << " | " << ms << " | " << bestReference << " | "
                << QString::number(double(ms) / std::max<qint64>(1, bestReference), 'f', 1) << " |\n";
        };
        row("group summary computed", bestSummary);
        row("group summary computed and written to PDF (target < 2000 ms)", bestTotal);
        out.flush();
    }
    Database::closeAll();
    return 0;
}
