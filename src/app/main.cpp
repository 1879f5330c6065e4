#include "app/AppSetup.h"
#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "data/SingleInstance.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    AppSetup::configure(app);

    SingleInstance instance;
    if (!instance.acquire()) {
        Dialogs::show(nullptr, QString::fromUtf8(AlreadyRunningText), "Warnnig", MsgIcon::Information);
        return 0;
    }
    if (!MainWindow::load())
        return 1;
    return app.exec();
}
