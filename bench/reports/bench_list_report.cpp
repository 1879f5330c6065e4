// Times the subject-list report: rows read from IDE, laid out and written as a PDF, for each
// subject count given on the command line (default 1000 10000).
#include "app/AppSetup.h"
#include "data/ClinicData.h"
#include "data/Database.h"
#include "data/ProgramFolder.h"
#include "report/SubjectListReport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>

namespace {
bool fill(int count)
{
    QSqlDatabase db = Database::connection(DbFile::Main);
    QSqlQuery q(db);
    if (!db.transaction())
        return false;
    q.exec("DELETE FROM IDE");
    q.prepare("INSERT INTO IDE (Code, FName, LName, Jens, Sen, Tahsil, \"Group\", \"Date\", \"Time\", V, J, H, A, M, GH)"
              " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    const QString first = QString::fromUtf8("محمد"), last = QString::fromUtf8("رضايي"),
                  sex = QString::fromUtf8("پسر"), grade = QString::fromUtf8("دوم دبيرستان");
    for (int i = 1; i <= count; ++i) {
        const QVariantList values{QString::number(i), first + QString::number(i % 97), last, sex,
                                  QString::number(12 + i % 8), grade, "B", "1403/01/15", "10:20",
                                  QString::number(i % 51), QString::number((i * 7) % 51), QString::number((i * 3) % 51),
                                  QString::number((i * 11) % 51), QString::number((i * 5) % 51),
                                  QString::number((i * 13) % 51)};
        for (const QVariant& v : values)
            q.addBindValue(v);
        if (!q.exec())
            return false;
    }
    return db.commit();
}
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
        counts = {"1000", "10000"};
    ClinicData clinic;
    clinic.name = QString::fromUtf8("مرکز مشاوره");
    clinic.address = QString::fromUtf8("تهران");
    clinic.contactText = "021-000\r\n";
    QTextStream out(stdout);
    for (const QString& c : counts) {
        const int n = c.toInt();
        if (!fill(n)) {
            out << "cannot fill " << n << " subjects\n";
            return 1;
        }
        const QString pdf = dir.filePath(QString("list-%1.pdf").arg(n));
        QElapsedTimer t;
        t.start();
        SubjectListReport report;
        report.setDataSourceAllSubjects();
        report.applyClinic(false, QImage(), clinic.name, clinic.address, clinic.contactText);
        const qint64 read = t.elapsed();
        QString error;
        if (!report.writePdf(pdf, &error)) {
            out << error << '\n';
            return 1;
        }
        const qint64 total = t.elapsed();
        out << n << " subjects: rows read in " << read << " ms, PDF written in " << total << " ms ("
            << QFileInfo(pdf).size() / 1024 << " KiB, " << Report::pageCount(report.document()) << " pages)\n";
        out.flush();
    }
    Database::closeAll();
    return 0;
}
