#include "TestFolder.h"
#include "data/Database.h"
#include "data/ProgramFolder.h"
#include "data/RecordSet.h"

#include <QFile>
#include <QtTest>

class TestRecordSet : public QObject {
    Q_OBJECT
private slots:
    void snapshotHidesRowsAddedElsewhere();
    void filterByCode();
    void filterColumnAndQueryCase();
    void filterValueWithQuoteMatchesNothing();
    void malformedFilterShowsNothing();
    void addCommitRequery();
    void requeryDropsUncommittedRow();
    void navigation();
    void updateAndDelete();
    void deleteRowAlreadyGone();
    void missingDatabaseIsNotCreated();
    void unsupportedQueryRefused();
};

void TestRecordSet::snapshotHidesRowsAddedElsewhere()
{
    TestFolder f;
    RecordSet a, b;
    QVERIFY(a.open(DbFile::Main, "SELECT * FROM IDE "));
    QVERIFY(b.open(DbFile::Main, "SELECT * FROM IDE"));
    QVERIFY(b.isEmpty());
    a.addNew();
    a.setValue("Code", "1");
    QVERIFY(a.update());
    QCOMPARE(a.rowCount(), 1);
    // b was read before the row existed.
    QVERIFY(b.isEmpty());
    QCOMPARE(b.rowCount(), 0);
    b.moveLast();
    QVERIFY(!b.hasCurrent());
    b.requery();
    QCOMPARE(b.rowCount(), 1);
    QCOMPARE(b.value("Code"), QString("1"));
}

void TestRecordSet::filterByCode()
{
    TestFolder f;
    f.addSubject("1");
    f.addSubject("2");
    f.addSubject("3");
    RecordSet s2;
    QVERIFY(s2.open(DbFile::Main, "SELECT * FROM S2 "));
    QVERIFY(s2.filter("code='9'"));
    QCOMPARE(s2.rowCount(), 0);
    QVERIFY(s2.isEmpty());
    QCOMPARE(s2.value("Code"), QString());
    QVERIFY(s2.filter("code='2'"));
    QCOMPARE(s2.rowCount(), 1);
    QCOMPARE(s2.value("Code"), QString("2"));
    s2.requery();
    QCOMPARE(s2.rowCount(), 3);
    QCOMPARE(s2.filterText(), QString());
}

void TestRecordSet::filterColumnAndQueryCase()
{
    TestFolder f;
    f.addSubject("7", QString::fromUtf8("علي"), QString::fromUtf8("رضايي"));
    RecordSet ide;
    QVERIFY(ide.open(DbFile::Main, "select * from ide"));
    QCOMPARE(ide.table(), QString("IDE"));
    QVERIFY(ide.filter("Code='7'"));
    QCOMPARE(ide.rowCount(), 1);
    QVERIFY(ide.filter("CODE='7'"));
    QCOMPARE(ide.rowCount(), 1);
    QCOMPARE(ide.value("fname"), QString::fromUtf8("علي"));
    QVERIFY(ide.filter("LName='" + QString::fromUtf8("رضايي") + "'"));
    QCOMPARE(ide.rowCount(), 1);
    QVERIFY(ide.filter("group='A'"));
    QCOMPARE(ide.rowCount(), 1);

    RecordSet s1;
    QVERIFY(s1.open(DbFile::Main, "SELECT * FROM S1 "));
    QVERIFY(s1.filter("code='7'"));
    QVERIFY(s1.setValue("v2", "1"));
    QVERIFY(s1.update());
    s1.requery();
    s1.filter("code='7'");
    QCOMPARE(s1.value("V2"), QString("1"));
}

void TestRecordSet::filterValueWithQuoteMatchesNothing()
{
    TestFolder f;
    f.addSubject("1");
    RecordSet ide;
    QVERIFY(ide.open(DbFile::Main, "SELECT * FROM IDE "));
    QVERIFY(ide.filter("code='1' OR '1'='1'"));
    QCOMPARE(ide.rowCount(), 0);
    QVERIFY(ide.filter("code", "1'; DROP TABLE IDE; --"));
    QCOMPARE(ide.rowCount(), 0);
    QCOMPARE(f.scalar("SELECT count(*) FROM \"IDE\""), QString("1"));
}

void TestRecordSet::malformedFilterShowsNothing()
{
    TestFolder f;
    f.addSubject("1");
    RecordSet ide;
    QVERIFY(ide.open(DbFile::Main, "SELECT * FROM IDE "));
    QVERIFY(!ide.filter("code=1"));
    QVERIFY(ide.isEmpty());
    QVERIFY(!ide.filter("nosuchcolumn='1'"));
    QVERIFY(ide.isEmpty());
    ide.clearFilter();
    QCOMPARE(ide.rowCount(), 1);
}

void TestRecordSet::addCommitRequery()
{
    TestFolder f;
    RecordSet ide;
    QVERIFY(ide.open(DbFile::Main, "SELECT * FROM IDE "));
    ide.addNew();
    QVERIFY(ide.isAdding());
    ide.setValue("CODE", "12");
    ide.setValue("fname", "x");
    QCOMPARE(ide.value("Code"), QString("12"));
    QVERIFY(ide.update());
    QVERIFY(!ide.isAdding());
    QCOMPARE(ide.value("Code"), QString("12"));
    QCOMPARE(f.scalar("SELECT \"FName\" FROM \"IDE\" WHERE \"Code\"='12'"), QString("x"));
}

void TestRecordSet::requeryDropsUncommittedRow()
{
    TestFolder f;
    RecordSet ide;
    QVERIFY(ide.open(DbFile::Main, "SELECT * FROM IDE "));
    ide.addNew();
    ide.setValue("Code", "5");
    ide.requery();
    QVERIFY(!ide.isAdding());
    QVERIFY(ide.isEmpty());
    QCOMPARE(f.scalar("SELECT count(*) FROM \"IDE\""), QString("0"));
}

void TestRecordSet::navigation()
{
    TestFolder f;
    for (const char* c : {"10", "20", "30"})
        f.addSubject(c);
    RecordSet s2;
    QVERIFY(s2.open(DbFile::Main, "SELECT * FROM S2"));
    QCOMPARE(s2.value("Code"), QString("10"));
    s2.moveLast();
    QCOMPARE(s2.value("Code"), QString("30"));
    QCOMPARE(s2.position(), 2);
    s2.moveTo(1);
    QCOMPARE(s2.value("Code"), QString("20"));
    QVERIFY(s2.moveNext());
    QCOMPARE(s2.value("Code"), QString("30"));
    QVERIFY(!s2.moveNext());
    QVERIFY(!s2.hasCurrent());
    s2.moveFirst();
    QCOMPARE(s2.value("Code"), QString("10"));
}

void TestRecordSet::updateAndDelete()
{
    TestFolder f;
    f.addSubject("1");
    f.addSubject("2");
    RecordSet ide, other;
    QVERIFY(ide.open(DbFile::Main, "SELECT * FROM IDE "));
    QVERIFY(other.open(DbFile::Main, "SELECT * FROM IDE "));
    QCOMPARE(other.value("FName"), QString("F")); // read into other's snapshot
    ide.filter("code='1'");
    ide.setValue("FName", "changed");
    QVERIFY(ide.update());
    QCOMPARE(other.value("FName"), QString("F")); // other sees it after a re-read only
    other.requery();
    QCOMPARE(other.value("FName"), QString("changed"));
    QVERIFY(ide.remove());
    QCOMPARE(f.scalar("SELECT count(*) FROM \"IDE\""), QString("1"));
    ide.requery();
    QCOMPARE(ide.rowCount(), 1);
    QCOMPARE(ide.value("Code"), QString("2"));
}

void TestRecordSet::deleteRowAlreadyGone()
{
    // The current row was deleted through another record set before this one read its row
    // list: removing it must neither touch the list out of range nor drop another row.
    TestFolder f;
    for (const char* code : {"1", "2", "3"})
        f.addSubject(code);
    for (const bool last : {true, false}) {
        RecordSet a, b;
        QVERIFY(a.open(DbFile::Main, "SELECT * FROM IDE"));
        QVERIFY(b.open(DbFile::Main, "SELECT * FROM IDE"));
        if (last)
            a.moveLast();
        else
            a.moveFirst();
        const QString code = a.value("Code");
        QVERIFY(b.filter("Code", code));
        QVERIFY(b.remove());
        const int others = a.rowCount(); // reads the row list, without the deleted row
        QVERIFY(a.remove());
        QCOMPARE(a.rowCount(), others);
        QVERIFY(a.hasCurrent());
        QVERIFY(a.value("Code") != code);
    }
    QCOMPARE(f.scalar("SELECT count(*) FROM \"IDE\""), QString("1"));
    QCOMPARE(f.scalar("SELECT \"Code\" FROM \"IDE\""), QString("2"));
}

void TestRecordSet::missingDatabaseIsNotCreated()
{
    TestFolder f;
    if (f.onServer())
        QSKIP("a server keeps no file");
    Database::closeAll();
    QVERIFY(QFile::remove(f.file("meravelDB.mdb")));
    RecordSet ide;
    QString error;
    QVERIFY(!ide.open(DbFile::Main, "SELECT * FROM IDE ", &error));
    QVERIFY(error.contains("meravelDB.mdb"));
    QVERIFY(!QFile::exists(f.file("meravelDB.mdb")));
}

void TestRecordSet::unsupportedQueryRefused()
{
    TestFolder f;
    RecordSet r;
    QVERIFY(!r.open(DbFile::Main, "SELECT * FROM IDE; DROP TABLE IDE"));
    QVERIFY(!r.open(DbFile::Main, "SELECT * FROM NoSuchTable"));
}

QTEST_GUILESS_MAIN(TestRecordSet)
#include "test_recordset.moc"
