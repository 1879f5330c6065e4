#include "app/AppSetup.h"
#include "app/Dialogs.h"
#include "app/Frm1.h"
#include "data/ProgramFolder.h"

#include <QApplication>
#include <QLockFile>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    AppSetup::configure(app);

    // One instance per program folder.
    QLockFile lock(ProgramFolder::file("meravel.lock"));
    lock.setStaleLockTime(0);
    // A folder where no lock can be written (read-only install) does not stop the program.
    if (!lock.tryLock(0) && lock.error() == QLockFile::LockFailedError) {
        Dialogs::show(nullptr, QString::fromUtf8("برنامه در حال اجراست"), "Warnnig", MsgIcon::Information);
        return 0;
    }
    if (!Frm1::load())
        return 1;
    return app.exec();
}
