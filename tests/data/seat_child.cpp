// One seat of the several-seats test: a process that works on the folder's main database
// (on the test server) as a counsellor's computer would.
//   seat_child register FOLDER FIRST COUNT    registers codes FIRST .. FIRST+COUNT-1
//   seat_child import FOLDER WORKBOOK FIRST COUNT [ROUNDS]   imports the workbook for those codes
//   seat_child delete FOLDER FIRST COUNT      deletes those subjects
// Prints "ready" once set up, then "done S R" (stored, refused as registered). Exit status 0
// when every action either succeeded or was refused with the program's own message.
#include "data/Database.h"
#include "data/ProgramFolder.h"
#include "data/Registration.h"
#include "records/SubjectDeletion.h"
#include "records/WorkbookImport.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() < 5)
        return 2;
    ProgramFolder::setPath(a[2]);
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    int stored = 0, refused = 0;
    if (a[1] == "register") {
        const int first = a[3].toInt(), count = a[4].toInt();
        for (int i = 0; i < count; ++i) {
            const QString code = QString::number(first + i);
            const Registration::Subject s{code, "F" + code,   "L",       QString::fromUtf8("پسر"), "15", "10",
                                          "A",  "1402/07/15", "10:00:00"};
            const Registration::Check check = Registration::check(s);
            if (!check.ok()) {
                if (check.message != Registration::duplicateCode().message)
                    return 3;
                ++refused;
                continue;
            }
            QString error;
            bool duplicate = false;
            if (Registration::store(s, &error, &duplicate)) {
                ++stored;
            } else if (duplicate) {
                ++refused;
            } else {
                std::fprintf(stderr, "%s\n", qPrintable(error));
                return 4;
            }
        }
    } else if (a[1] == "import" && a.size() >= 6) {
        const int first = a[4].toInt(), count = a[5].toInt();
        const int rounds = a.size() > 6 ? a[6].toInt() : 1;
        for (int r = 0; r < rounds; ++r)
            for (int i = 0; i < count; ++i) {
                const WorkbookImport::Result result = WorkbookImport::run(QString::number(first + i), a[3]);
                if (result.status != WorkbookImport::Result::Stored) {
                    std::fprintf(stderr, "%s\n", qPrintable(result.box.text));
                    return 5;
                }
                ++stored;
            }
    } else if (a[1] == "delete") {
        const int first = a[3].toInt(), count = a[4].toInt();
        for (int i = 0; i < count; ++i) {
            QString error;
            if (SubjectDeletion::remove(QString::number(first + i), &error))
                ++stored;
            else
                ++refused;
        }
    } else {
        return 2;
    }
    std::printf("done %d %d\n", stored, refused);
    return 0;
}
