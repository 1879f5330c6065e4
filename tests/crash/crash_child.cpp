// A process for the crash test, killed by it at random moments or (with the preloaded step
// counter) before a chosen database step:
//   ops_crash_child testwindow FOLDER CODE TURNS   the test window, one turn per Next or Save
//   ops_crash_child delete FOLDER FIRST COUNT      deletes subjects FIRST .. FIRST+COUNT-1
// "ready" is printed once the set-up is done, so the test can time its kill from there.
#include "CrashPattern.h"

#include "ScriptedDialogs.h"
#include "app/Dialogs.h"
#include "data/ProgramFolder.h"
#include "questionnaire/QuestionnaireWindow.h"
#include "records/SubjectDeletion.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <cstdio>

namespace {
void ready()
{
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
}

void click(QWidget& window, const char* name)
{
    auto* b = window.findChild<QPushButton*>(name);
    if (!b)
        qFatal("no button %s", name);
    b->click();
}

// Enters turn `turn` of the pattern into every tick box, rating box and the first name.
void enter(QuestionnaireWindow& w, int turn)
{
    for (QCheckBox* c : w.findChildren<QCheckBox*>()) {
        const QString column = c->property("column").toString();
        if (!column.isEmpty())
            c->setChecked(CrashPattern::ticked(column, turn));
    }
    for (int t = 0; t < AnswerColumns::TypeCount; ++t)
        for (int k = 1; k <= 2; ++k) {
            static const char* const Boxes[2][6] = {
                {"Text7v", "Text7j", "Text7h", "Text7a", "Text7m", "Text7g"},
                {"Text7v2", "Text7j2", "Text7h2", "Text7a2", "Text7m2", "Text7g2"},
            };
            auto* box = w.findChild<QLineEdit*>(Boxes[k - 1][t]);
            if (!box)
                qFatal("no rating box %s", Boxes[k - 1][t]);
            box->setText(CrashPattern::rating(AnswerColumns::column(4, t, k), turn));
        }
    w.findChild<QLineEdit*>("TxtFName")->setText(CrashPattern::firstName(turn));
}

int testWindow(const QString& code, int turns)
{
    ready();
    int turn = 0;
    while (turn < turns) {
        QuestionnaireWindow w;
        if (!w.openFor(code, nullptr))
            return 3;
        w.show();
        click(w, "CmdStart");
        while (turn < turns) {
            enter(w, ++turn);
            if (CrashPattern::savesAt(turn)) {
                click(w, "CmdSave");
                break;
            }
            if (CrashPattern::closesAt(turn, turns)) {
                w.close(); // the close box
                break;
            }
            click(w, "CmdNext");
        }
    }
    return 0;
}

int deletion(int first, int count)
{
    ready();
    for (int c = first; c < first + count; ++c) {
        QString error;
        if (!SubjectDeletion::remove(QString::number(c), &error)) {
            std::fprintf(stderr, "%d: %s\n", c, qPrintable(error));
            return 3;
        }
    }
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() != 5)
        return 2;
    ProgramFolder::setPath(a[2]);
    // A box the routines might raise is answered by its default button, never waited on.
    ScopedScriptedDialogs dialogs;
    if (a[1] == "testwindow")
        return testWindow(a[3], a[4].toInt());
    if (a[1] == "delete")
        return deletion(a[3].toInt(), a[4].toInt());
    return 2;
}
