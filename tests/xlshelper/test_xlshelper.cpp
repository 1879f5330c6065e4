// The .xls reader runs in the helper process meravel-xls: whatever the helper does (crash,
// hang, flood, nonsense), the workbook is unreadable and the program goes on. Stand-in
// helpers (shell scripts) play each misbehaviour; the answer parser is checked on its own.
#include "TestFolder.h"
#include "TestWorkbooks.h"
#include "FileBytes.h"

#include "records/WorkbookImport.h"
#include "records/WorkbookReader.h"

#include <QElapsedTimer>
#include <QtTest>

namespace {
// Enough of a BIFF file for the reader to hand it to the helper.
const QByteArray OleFile = QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(504, '\0');
const QByteArray Header = "meravel-xls 1\n";
// "Answers" in hex, the sheet list a stand-in gives before it misbehaves at the cells.
const QByteArray SheetList = "#!/bin/sh\nif [ $# -eq 1 ]; then printf 'meravel-xls 1\\nS 416e7377657273\\nend\\n'; exit 0; fi\n";
} // namespace

class TestXlsHelper : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void misbehavingHelper_data();
    void misbehavingHelper();
    void importReportsUnreadable();
    void answersParsed_data();
    void answersParsed();
    void realHelperReadsCells();
    void helperRunsUnderLimits();

private:
    QString standIn(const QByteArray& script);
    QTemporaryDir m_dir;
    int m_scripts = 0;
};

void TestXlsHelper::cleanup() { WorkbookReader::setBiffHelper(QString()); }

QString TestXlsHelper::standIn(const QByteArray& script)
{
    const QString path = m_dir.filePath(QStringLiteral("helper%1.sh").arg(++m_scripts));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(script) != script.size())
        return QString();
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

void TestXlsHelper::misbehavingHelper_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<bool>("atCells"); // misbehaves only when asked for cells
    QTest::addColumn<QString>("error");
    const QByteArray sh = "#!/bin/sh\n";
    QTest::newRow("crash") << sh + "kill -SEGV $$\n" << false << "failed";
    QTest::newRow("crash after a good start") << sh + "printf 'meravel-xls 1\\nS 41\\n'; kill -ABRT $$\n" << false
                                              << "failed";
    QTest::newRow("hang") << sh + "exec sleep 30\n" << false << "too long";
    QTest::newRow("hang with output closed") << sh + "exec >&- ; exec sleep 30\n" << false << "too long";
    QTest::newRow("flood") << sh + "exec head -c 200000000 /dev/zero\n" << false << "too much";
    QTest::newRow("nonsense") << sh + "echo hello\n" << false << "no sound answer";
    QTest::newRow("cut short") << sh + "printf 'meravel-xls 1\\nS 41\\n'\n" << false << "no sound answer";
    QTest::newRow("good answer, bad exit") << sh + "printf 'meravel-xls 1\\nS 41\\nend\\n'; exit 3\n" << false
                                           << "failed";
    QTest::newRow("password") << sh + "printf 'meravel-xls 1\\nX 32008\\nend\\n'\n" << false << "password";
    QTest::newRow("missing helper") << QByteArray() << false << "cannot be started";
    QTest::newRow("crash at cells") << SheetList + "kill -SEGV $$\n" << true << "failed";
    QTest::newRow("hang at cells") << SheetList + "exec sleep 30\n" << true << "too long";
    QTest::newRow("cells of another kind") << SheetList + "printf 'meravel-xls 1\\nC 3 26 Q 1\\nend\\n'\n" << true
                                           << "no sound answer";
    QTest::newRow("more cells than asked")
        << SheetList + "printf 'meravel-xls 1\\nC 3 26 E\\nC 3 26 E\\nend\\n'\n" << true << "no sound answer";
}

void TestXlsHelper::misbehavingHelper()
{
    QFETCH(QByteArray, script);
    QFETCH(bool, atCells);
    QFETCH(QString, error);
#ifdef Q_OS_WIN
    if (!script.isEmpty())
        QSKIP("the misbehaving stand-ins are shell scripts, which Windows cannot start as a program");
#endif
    const QString program = script.isEmpty() ? m_dir.filePath("no-such-helper") : standIn(script);
    QVERIFY(!program.isEmpty());
    // A flood is read until the cap, whatever time that takes here; the others hit the limit.
    WorkbookReader::setBiffHelper(program, QTest::currentDataTag() == QLatin1String("flood") ? 4000 : 500);
    QElapsedTimer timer;
    timer.start();
    WorkbookReader reader;
    QString message;
    const bool opened = reader.openData(OleFile, &message);
    QCOMPARE(opened, atCells);
    if (opened) {
        QCOMPARE(reader.sheetNames(), QStringList{"Answers"});
        QHash<QString, QString> values;
        QVERIFY(!reader.readCells("answers", {"Z3"}, &values, &message));
    }
    QVERIFY2(message.contains(error), qPrintable(message));
    // The time limit holds whatever the helper does.
    QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
}

void TestXlsHelper::importReportsUnreadable()
{
    // A helper that dies gives the import's box for an unreadable workbook; nothing is stored.
    TestFolder folder;
    QVERIFY(folder.isValid());
    folder.addSubject("7");
    const QString file = folder.file("w.xls");
    QVERIFY(writeBytes(file, OleFile));
    for (const QByteArray& script : {QByteArray("#!/bin/sh\nkill -SEGV $$\n"), SheetList + "kill -KILL $$\n",
                                     SheetList + "exec sleep 30\n"}) {
        WorkbookReader::setBiffHelper(standIn(script), 500);
        const WorkbookImport::Result r = WorkbookImport::run("7", file);
        QCOMPARE(r.status, WorkbookImport::Result::Unreadable);
        QCOMPARE(r.box.caption, QStringLiteral("Error A1"));
        QCOMPARE(folder.scalar("SELECT coalesce(V, '') || coalesce(v1, '') FROM IDE JOIN S1 USING (Code) WHERE Code = '7'"),
                 QString());
    }
}

void TestXlsHelper::answersParsed_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("sheetList");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("result"); // sheets or row,column=text joined by |

    QTest::newRow("sheets") << Header + "S 416e7377657273\nS \nS d8a7\nend\n" << true << true << "Answers||ا";
    QTest::newRow("no sheets") << Header + "end\n" << true << true << "";
    QTest::newRow("cells") << Header + "C 3 26 T 4d65726176656c\nC 3 3 I 1\nC 4 3 D 2.5\nC 5 3 D 1e+300\n"
                                       "C 6 3 E\nC 7 3 T \nC 8 3 D inf\nC 9 3 I -2147483648\nend\n"
                           << false << true
                           << "3,26=Meravel|3,3=1|4,3=2.5|5,3=1E+300|6,3=|7,3=|8,3=#NUM!|9,3=-2147483648";
    QTest::newRow("refused") << Header + "X -21\nend\n" << true << true << "refused -21";
    QTest::newRow("no header") << QByteArray("S 41\nend\n") << true << false << "";
    QTest::newRow("other version") << QByteArray("meravel-xls 2\nend\n") << true << false << "";
    QTest::newRow("no end") << Header + "S 41\n" << true << false << "";
    QTest::newRow("end without newline") << Header + "S 41\nend" << true << false << "";
    QTest::newRow("carriage returns") << QByteArray("meravel-xls 1\r\nS 41\r\nend\r\n") << true << false << "";
    QTest::newRow("odd hex") << Header + "S 416\nend\n" << true << false << "";
    QTest::newRow("not hex") << Header + "S 4g\nend\n" << true << false << "";
    QTest::newRow("sheet among cells") << Header + "S 41\nend\n" << false << false << "";
    QTest::newRow("cell among sheets") << Header + "C 1 1 E\nend\n" << true << false << "";
    QTest::newRow("row 0") << Header + "C 0 1 E\nend\n" << false << false << "";
    QTest::newRow("column past XFD") << Header + "C 1 16385 E\nend\n" << false << false << "";
    QTest::newRow("whole number too large") << Header + "C 1 1 I 2147483648\nend\n" << false << false << "";
    QTest::newRow("number not a number") << Header + "C 1 1 D 1x\nend\n" << false << false << "";
    QTest::newRow("empty with a value") << Header + "C 1 1 E 41\nend\n" << false << false << "";
    QTest::newRow("text without a value") << Header + "C 1 1 T\nend\n" << false << false << "";
    QTest::newRow("extra field") << Header + "C 1 1 I 1 2\nend\n" << false << false << "";
    QTest::newRow("refusal among sheets") << Header + "S 41\nX -21\nend\n" << true << false << "";
    QTest::newRow("refusal 0") << Header + "X 0\nend\n" << true << false << "";
    QTest::newRow("blank line") << Header + "\nend\n" << true << false << "";
    QTest::newRow("nul byte") << Header + QByteArray("S 41\0\nend\n", 10) << true << false << "";
}

void TestXlsHelper::answersParsed()
{
    QFETCH(QByteArray, answer);
    QFETCH(bool, sheetList);
    QFETCH(bool, ok);
    QFETCH(QString, result);
    WorkbookReader::BiffReply reply;
    QCOMPARE(WorkbookReader::parseBiffReply(answer, sheetList, 10, &reply), ok);
    if (!ok)
        return;
    QStringList got = reply.sheets;
    for (const auto& c : reply.cells)
        got << QStringLiteral("%1,%2=%3").arg(c.first.first).arg(c.first.second).arg(c.second);
    QCOMPARE(reply.refusal ? QStringLiteral("refused %1").arg(reply.refusal) : got.join('|'), result);
}

void TestXlsHelper::helperRunsUnderLimits()
{
#ifdef MERAVEL_SANITIZED
    QSKIP("the sanitizers' build gives the helper no address-space limit");
#endif
    // A stand-in that names its own limits as its one sheet: address space in KiB and
    // processor seconds, as the shell reports them.
    const QString program = standIn(
        "#!/bin/sh\nname=\"$(ulimit -v) $(ulimit -t)\"\n"
        "printf 'meravel-xls 1\\nS %s\\nend\\n' \"$(printf '%s' \"$name\" | od -An -tx1 | tr -d ' \\n')\"\n");
    QVERIFY(!program.isEmpty());
    WorkbookReader::setBiffHelper(program, 5000);
    WorkbookReader reader;
    QString message;
    QVERIFY2(reader.openData(OleFile, &message), qPrintable(message));
    QCOMPARE(reader.sheetNames(),
             QStringList{QStringLiteral("%1 6").arg(WorkbookReader::BiffHelperMemoryBytes / 1024)});
}

void TestXlsHelper::realHelperReadsCells()
{
    // The helper of the build, on a real .xls: the cells come back as the in-process reader gave them.
    QVERIFY2(QFileInfo(WorkbookReader::biffHelper()).isExecutable(), qPrintable(WorkbookReader::biffHelper()));
    const QString path = m_dir.filePath("real.xls");
    QString error;
    const QString persian = QString::fromUtf8("پاسخ\n\"x\" 1");
    QVERIFY2(TestWorkbooks::writeXls(path, "Answers",
                                     {{"Z3", QStringLiteral("Meravel")}, {"C3", 1.0}, {"C4", 0.1}, {"C5", persian}},
                                     &error),
             qPrintable(error));
    WorkbookReader reader;
    QVERIFY2(reader.open(path, &error), qPrintable(error));
    QCOMPARE(reader.format(), WorkbookReader::Format::Biff);
    QHash<QString, QString> values;
    QVERIFY2(reader.readCells("ANSWERS", {"Z3", "C3", "c3", "C4", "C5", "C6", "XFD1048576"}, &values, &error),
             qPrintable(error));
    QCOMPARE(values.value("Z3"), QStringLiteral("Meravel"));
    QCOMPARE(values.value("C3"), QStringLiteral("1"));
    QCOMPARE(values.value("c3"), QStringLiteral("1"));
    QCOMPARE(values.value("C4"), QStringLiteral("0.1"));
    QCOMPARE(values.value("C5"), persian);
    QCOMPARE(values.value("C6"), QString());
    QCOMPARE(values.value("XFD1048576"), QString());
}

QTEST_GUILESS_MAIN(TestXlsHelper)
#include "test_xlshelper.moc"
