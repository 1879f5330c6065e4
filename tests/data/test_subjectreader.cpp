// The reader of every subject that the exports and the summaries share, on the file and (as
// test_subjectreader_pg) on the server: the rows as stored, the filter's values bound, and a
// reader left early that leaves its connection and the export's file as they were.
#include "CliRun.h"
#include "FileSizeLimit.h"
#include "TestFolder.h"
#include "TestHelpers.h"
#include "data/SubjectReader.h"

#include <QDir>
#include <QtTest>

namespace {
// The fields of every row the reader gives, joined by '|'.
QStringList readAll(const QStringList& columns, const SubjectReader::Filter& filter = {})
{
    QStringList rows;
    QString error;
    const bool ok = SubjectReader::forEach(
        "IDE", columns, filter,
        [&](const SubjectReader::Rows& r) {
            QStringList fields;
            for (int c = 0; c < r.columns(); ++c)
                fields << r.field(c).toString();
            rows << fields.join('|');
            return true;
        },
        &error);
    if (!ok)
        rows << "failed: " + error;
    return rows;
}

bool addMany(const TestFolder& f, int count)
{
    return f.exec(QString("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                          "INSERT INTO \"IDE\" (\"Code\", \"FName\", \"V\", \"J\", \"H\", \"A\", \"M\", \"GH\") "
                          "SELECT 'c' || i, 'F' || i, i % 51, 7, 9, 11, 13, 15 FROM n")
                      .arg(count));
}
} // namespace

class TestSubjectReader : public QObject {
    Q_OBJECT
private slots:
    void emptyTableReadsNoRows();
    void storedTextsComeBackExactly();
    void filterValuesAreBoundNotPasted_data();
    void filterValuesAreBoundNotPasted();
    void leftEarlyTheConnectionServesTheNextRead();
    void exportFailingMidwayLeavesTheFileAsItWas();
};

void TestSubjectReader::emptyTableReadsNoRows()
{
    TestFolder f;
    QVERIFY(f.isValid());
    QCOMPARE(readAll({"Code", "V"}), QStringList());
    QCOMPARE(readAll({"Code"}, {"\"Group\" = ?", {"A"}}), QStringList());
    QCOMPARE(SubjectReader::count({}), 0);
    SubjectReader::Rows rows;
    QString error;
    QVERIFY2(rows.open("S4", {"Code", "V1"}, {}, &error), qPrintable(error));
    QVERIFY(!rows.next());
    QVERIFY(!rows.next()); // and stays at its end
    QCOMPARE(rows.error(), QString());
}

void TestSubjectReader::storedTextsComeBackExactly()
{
    TestFolder f;
    QVERIFY(f.isValid());
    // What a server's COPY escapes (backslash, tab, line ends) and a NULL, in table order.
    const QStringList codes{"b\\N", "tab\there", "line\nbreak\r", QString::fromUtf8("کد ۷"), "\\\\"};
    for (const QString& code : codes)
        f.addSubject(code);
    QVERIFY(f.exec("UPDATE \"IDE\" SET \"Tahsil\" = NULL WHERE \"Code\" = 'b\\N'"));
    QStringList expected;
    for (const QString& code : codes)
        expected << code + (code == "b\\N" ? "|" : "|10");
    QCOMPARE(readAll({"Code", "Tahsil"}), expected);
    QCOMPARE(SubjectReader::count({}), codes.size());
}

void TestSubjectReader::filterValuesAreBoundNotPasted_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("selected");
    QTest::newRow("quote") << "O'Brien" << QStringList{"O'Brien"};
    QTest::newRow("backslash") << "a\\b" << QStringList{"a\\b"};
    QTest::newRow("backslash before a quote") << "a\\'b" << QStringList{"a\\'b"};
    QTest::newRow("SQL in a value") << "' OR '1'='1" << QStringList{};
    QTest::newRow("placeholder in a value") << "?" << QStringList{};
}

void TestSubjectReader::filterValuesAreBoundNotPasted()
{
    QFETCH(QString, value);
    QFETCH(QStringList, selected);
    TestFolder f;
    QVERIFY(f.isValid());
    for (const char* code : {"O'Brien", "a\\b", "a\\'b", "plain"})
        f.addSubject(code);
    const SubjectReader::Filter filter{"\"Code\" = ?", {value}};
    QCOMPARE(readAll({"Code"}, filter), selected);
    QCOMPARE(SubjectReader::count(filter), selected.size());
    SubjectReader::Rows rows;
    QString error;
    QVERIFY2(rows.open("IDE", {"Code"}, filter, &error), qPrintable(error));
    // A server's query with values goes through Qt, whose connection stays on its thread.
    QCOMPARE(rows.movable(), !f.onServer());
}

void TestSubjectReader::leftEarlyTheConnectionServesTheNextRead()
{
    TestFolder f;
    QVERIFY(f.isValid());
    QVERIFY(addMany(f, 3000));
    int seen = 0;
    QString error = "untouched";
    QVERIFY(!SubjectReader::forEach(
        "IDE", {"Code"}, {}, [&](const SubjectReader::Rows&) { return ++seen < 10; }, &error));
    QCOMPARE(seen, 10);
    QCOMPARE(error, QString("untouched")); // the consumer's reason is the consumer's to give
    {
        SubjectReader::Rows rows;
        QVERIFY2(rows.open("IDE", {"Code"}, {}, &error), qPrintable(error));
        QVERIFY(rows.next());
        QCOMPARE(rows.field(0).toString(), QString("c1"));
        rows.close(); // the rest of a server's copy is drained
        QVERIFY(!rows.isOpen());
        QVERIFY(!rows.next());
    }
    QCOMPARE(SubjectReader::count({}, &error), 3000);
    const QStringList all = readAll({"Code"});
    QCOMPARE(all.size(), 3000);
    QCOMPARE(all.last(), QString("c3000"));
}

void TestSubjectReader::exportFailingMidwayLeavesTheFileAsItWas()
{
#ifdef Q_OS_WIN
    QSKIP("the full disk is simulated with a file-size limit (RLIMIT_FSIZE), which Windows has not");
#else
    TestFolder f;
    QVERIFY(f.isValid());
    // More than the export's buffer of a megabyte: the first write fails while rows remain.
    QVERIFY(addMany(f, 12000));
    QTemporaryDir dir;
    const QString path = dir.filePath("subjects.csv");
    QVERIFY(writeBytes(path, "an earlier export"));

    CliRun r;
    {
        const FileSizeLimit limit(64 * 1024);
        QVERIFY(limit.isSet());
        r = CliRun::run({"export", "--out", path});
    }

    QCOMPARE(r.exit, 1);
    QVERIFY(!r.err.trimmed().isEmpty());
    QCOMPARE(readBytes(path), QByteArray("an earlier export"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"subjects.csv"});
    // The reader left behind does not hold up the next export.
    QCOMPARE(CliRun::run({"export", "--out", path}).exit, 0);
    QCOMPARE(QFileInfo(path).size() > 1024 * 1024, true);
#endif
}

QTEST_MAIN(TestSubjectReader)
#include "test_subjectreader.moc"
