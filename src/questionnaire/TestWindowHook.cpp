// Placeholder until the test window exists: a registered code opens a box that says so.
#include "app/Dialogs.h"
#include "app/Frm1.h"
#include "app/SelfClosingMessage.h"
#include "app/WindowHooks.h"
#include "data/RecordSet.h"

void WindowHooks::runTestWindow(Frm1* main, const QString& code)
{
    RecordSet ide;
    ide.open(DbFile::Main, "SELECT * FROM IDE ");
    ide.filter("code", code);
    if (ide.isEmpty()) {
        SelfClosingMessage::show(main, QString::fromUtf8("فردي با اين مشخصات وجود ندارد"));
        return;
    }
    Dialogs::show(main, "The test window is not built yet.", "Meravel", MsgIcon::Information);
}
