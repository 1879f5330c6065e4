#include "TestHelpers.h"
#include "TestFolder.h"
#include "app/AppSetup.h"
#include "data/ClinicData.h"
#include "data/Database.h"
#include "ScriptedDialogs.h"
#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/ProgramWindows.h"
#include "app/SettingsPanels.h"
#include "app/Skin.h"
#include "data/ProgramFolder.h"
#include "data/SettingsStore.h"

#include <QCheckBox>
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QSqlQuery>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

namespace {

QString themeValue(const QString& column)
{
    QSqlQuery q(Database::connection(DbFile::Settings));
    q.exec("SELECT " + column + " FROM Theme");
    return q.next() ? q.value(0).toString() : QString("<no row>");
}

// A small two-colour picture that survives lossy formats well enough to compare by size.
QImage samplePicture()
{
    QImage img(40, 30, QImage::Format_RGB32);
    img.fill(QColor(200, 30, 30));
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 40; ++x)
            img.setPixel(x, y, qRgb(20, 60, 220));
    return img;
}
} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { AppSetup::configure(*qApp); }
    void init();
    void cleanup();

    void themeNumber_data();
    void themeNumber();
    void themeBackNextStopAtBounds_data();
    void themeBackNextStopAtBounds();
    void themeOpensWithCurrentSkin();
    void chosenSkinLoadsAtNextStart();
    void skinsAreDistinct();
    void checkBoxCaptionAndImmediateStore();
    void clinicDetailsSaveRebuildsContactText();
    void clinicDetailsCancelWritesNothing();
    void bannerFollowsName();
    void panelsTellTheirOwnerBySignals();
    void logoFormat_data();
    void logoFormat();
    void logoRoundTrip();
    void logoCancelWithoutEarlierChoice();
    void logoCancelAfterEarlierChoiceSavesAgain();
    void logoNotAPictureKeepsOldFile();
    void logoThatCannotBeWrittenIsAnError();
    void shots();

private:
    MainWindow* loadMain();
    template <typename T> T* child(const char* name) { return ::child<T>(m_main, name); }
    void click(const char* name) { QTest::mouseClick(child<QPushButton>(name), Qt::LeftButton); }
    // The settings opened and their logo button pressed, the file dialog answering with `path`.
    void chooseLogo(ScopedScriptedDialogs& d, const QString& path)
    {
        d.fileAnswers.enqueue(path);
        click("Command9");
        click("Command65");
    }
    // The same with the sample picture saved as `name` in `format`: its path, or nothing (and
    // no click) when the picture could not be saved.
    QString chooseSampleLogo(ScopedScriptedDialogs& d, const QString& name, const char* format)
    {
        const QString path = m_folder->file(name);
        if (!samplePicture().save(path, format))
            return QString();
        chooseLogo(d, path);
        return path;
    }

    std::unique_ptr<TestFolder> m_folder;
    MainWindow* m_main = nullptr;
};

void TestSettings::init()
{
    m_folder = std::make_unique<TestFolder>();
    QVERIFY(m_folder->isValid());
    m_main = loadMain();
    QVERIFY(m_main);
}

void TestSettings::cleanup()
{
    delete m_main;
    m_main = nullptr;
    m_folder.reset();
}

MainWindow* TestSettings::loadMain()
{
    MainWindow* w = MainWindow::load(ProgramWindows::openers());
    if (w && !QTest::qWaitForWindowExposed(w))
        qWarning("main window not shown");
    return w;
}

void TestSettings::themeNumber_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("0 -> 1") << "0" << "1";
    QTest::newRow("60 -> 48") << "60" << "48";
    QTest::newRow("12") << "12" << "12";
    QTest::newRow("48") << "48" << "48";
    QTest::newRow("1") << "1" << "1";
    QTest::newRow("leading zero names 5") << "05" << "5";
    QTest::newRow("huge") << "99999" << "48";
}

void TestSettings::themeNumber()
{
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    click("Command9");
    click("Command68");
    auto* box = child<QLineEdit>("Txtthema");
    box->setText(typed);
    QCOMPARE(box->text(), expected);
    QCOMPARE(m_main->currentSkinName(), expected);
    QCOMPARE(readBytes(ProgramFolder::skinSettingFile()), (expected + "\r\n").toUtf8());
    // The main window wears the new skin at once.
    QCOMPARE(m_main->styleSheet().toUtf8(), readBytes(ProgramFolder::file("skin/" + expected + ".skn")));
}

void TestSettings::themeBackNextStopAtBounds_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("expected");
    QTest::newRow("back on 1") << "1" << "Comdtback" << "1";
    QTest::newRow("next on 48") << "48" << "Comdtnext" << "48";
    QTest::newRow("back on 7") << "7" << "Comdtback" << "6";
    QTest::newRow("next on 7") << "7" << "Comdtnext" << "8";
    QTest::newRow("next on empty") << "" << "Comdtnext" << "1";
}

void TestSettings::themeBackNextStopAtBounds()
{
    QFETCH(QString, start);
    QFETCH(QString, button);
    QFETCH(QString, expected);
    click("Command9");
    click("Command68");
    auto* box = child<QLineEdit>("Txtthema");
    box->setText(start);
    click(button.toLatin1().constData());
    QCOMPARE(box->text(), expected);
    QCOMPARE(readBytes(ProgramFolder::skinSettingFile()), (expected + "\r\n").toUtf8());
}

void TestSettings::themeOpensWithCurrentSkin()
{
    Skin::writeSkinName("23");
    delete m_main;
    m_main = loadMain();
    click("Command9");
    click("Command68");
    QCOMPARE(child<QLineEdit>("Txtthema")->text(), QString("23"));
    QVERIFY(child<QFrame>("Frame6")->isVisible());
    QVERIFY(child<QFrame>("Frame8")->isVisible()); // the settings panel stays open
    click("Command46");
    QVERIFY(!child<QFrame>("Frame6")->isVisible());
    QVERIFY(child<QFrame>("Frame8")->isVisible());
}

void TestSettings::chosenSkinLoadsAtNextStart()
{
    click("Command9");
    click("Command68");
    child<QLineEdit>("Txtthema")->setText("12");
    // An open window keeps its skin; one loaded later takes the new one.
    delete m_main;
    m_main = loadMain();
    QCOMPARE(m_main->currentSkinName(), QString("12"));
    QCOMPARE(m_main->styleSheet().toUtf8(), readBytes(ProgramFolder::file("skin/12.skn")));
    QWidget other;
    QCOMPARE(Skin::loadInto(&other), QString("12"));
    QCOMPARE(other.styleSheet(), m_main->styleSheet());
}

void TestSettings::skinsAreDistinct()
{
    QSet<QByteArray> bodies;
    for (int n = 1; n <= 48; ++n) {
        QByteArray body = readBytes(ProgramFolder::file(QString("skin/%1.skn").arg(n)));
        QVERIFY2(body.contains("QPushButton:hover") && body.contains("QLabel[skinLabel=\"true\"]"),
                 qPrintable(QString::number(n)));
        body = body.mid(body.indexOf('\n')); // without the title line
        bodies.insert(body);
    }
    QCOMPARE(bodies.size(), 48);
    QCOMPARE(readBytes(ProgramFolder::skinSettingFile()), QByteArray("1\r\n"));
}

void TestSettings::checkBoxCaptionAndImmediateStore()
{
    click("Command9");
    auto* check = child<QCheckBox>("Check1");
    QCOMPARE(check->text(), u("آرم را نمايش ندهد"));
    QCOMPARE(themeValue("Check1"), QString("0"));
    check->click();
    QCOMPARE(check->text(), u("آرم را نمايش دهد"));
    QCOMPARE(themeValue("Check1"), QString("1")); // stored without Save
    QVERIFY(m_main->clinicData().showLogo);
    check->click();
    QCOMPARE(check->text(), u("آرم را نمايش ندهد"));
    QCOMPARE(themeValue("Check1"), QString("0"));
    QVERIFY(!m_main->clinicData().showLogo);

    // The stored value is read back at the next start with its caption.
    check->click();
    delete m_main;
    m_main = loadMain();
    QVERIFY(child<QCheckBox>("Check1")->isChecked());
    QCOMPARE(child<QCheckBox>("Check1")->text(), u("آرم را نمايش دهد"));
    QVERIFY(m_main->clinicData().showLogo);
}

void TestSettings::clinicDetailsSaveRebuildsContactText()
{
    click("Command9");
    click("Command67");
    QVERIFY(child<QFrame>("Frame9")->isVisible());
    QVERIFY(!child<QFrame>("Frame8")->isVisible());
    const QStringList values{u("کلينيک آرامش"), u("تهران، خيابان آزادي"), "a@b.ir", "", "@clinic", "", "", "021-555"};
    const char* columns[] = {"Name", "Adress", "T1", "T2", "T3", "T4", "T5", "T6"};
    for (int i = 0; i < 8; ++i)
        child<QLineEdit>((QByteArray("Text_") + columns[i]).constData())->setText(values[i]);
    click("Command64");
    QVERIFY(!child<QFrame>("Frame9")->isVisible());
    for (int i = 0; i < 8; ++i)
        QCOMPARE(themeValue(columns[i]), values[i]);
    // Empty contact fields add no line; the report sees the new lines without a restart.
    QCOMPARE(m_main->clinicData().contactText, QString("a@b.ir\r\n@clinic\r\n021-555\r\n"));
    QCOMPARE(m_main->clinicData().name, values[0]);
    QCOMPARE(m_main->clinicData().address, values[1]);
    QCOMPARE(child<QLabel>("SkinLabel1")->text(), values[0]);
}

void TestSettings::clinicDetailsCancelWritesNothing()
{
    click("Command9");
    click("Command67");
    child<QLineEdit>("Text_Adress")->setText("typed");
    child<QLineEdit>("Text_Name")->setText("typed name");
    click("Command7");
    QVERIFY(!child<QFrame>("Frame9")->isVisible());
    QCOMPARE(child<QLabel>("SkinLabel1")->text(), QString()); // back to the stored (empty) name
    QCOMPARE(themeValue("Adress"), QString());
    QCOMPARE(themeValue("Name"), QString());
    click("Command9");
    click("Command67");
    QCOMPARE(child<QLineEdit>("Text_Adress")->text(), QString());
}

void TestSettings::bannerFollowsName()
{
    auto* banner = child<QLabel>("SkinLabel1");
    QCOMPARE(banner->text(), QString("Windowed Label")); // no name stored yet
    click("Command9");
    click("Command67");
    child<QLineEdit>("Text_Name")->setText(u("مرکز مشاوره"));
    QCOMPARE(banner->text(), u("مرکز مشاوره")); // while typed
    click("Command64");
    delete m_main;
    m_main = loadMain();
    QCOMPARE(child<QLabel>("SkinLabel1")->text(), u("مرکز مشاوره"));
}

void TestSettings::panelsTellTheirOwnerBySignals()
{
    // The panels without a main window: what they change reaches the owner only by their
    // signals and the settings store's.
    SettingsStore settings;
    QWidget owner;
    SettingsPanels panels(settings, &owner);
    panels.setSkinName("3");
    panels.settingsRead();
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    QSignalSpy reset(&panels, &SettingsPanels::resetRequested);
    QSignalSpy skin(&panels, &SettingsPanels::skinChosen);
    QSignalSpy name(&panels, &SettingsPanels::clinicNameEdited);
    QSignalSpy stored(&settings, &SettingsStore::changed);
    auto click = [&owner](const char* n) { QTest::mouseClick(::child<QPushButton>(&owner, n), Qt::LeftButton); };

    panels.openSettings();
    QCOMPARE(reset.size(), 1);
    QVERIFY(panels.settingsPanel()->isVisible());
    click("Command68");
    QCOMPARE(::child<QLineEdit>(&owner, "Txtthema")->text(), QString("3")); // the skin in use
    click("Comdtnext");
    QCOMPARE(skin.last().first().toString(), QString("4"));
    QCOMPARE(panels.skinName(), QString("4"));
    QCOMPARE(readBytes(ProgramFolder::skinSettingFile()), QByteArray("4\r\n"));
    ::child<QCheckBox>(&owner, "Check1")->click();
    QCOMPARE(stored.size(), 1); // stored at once
    QCOMPARE(themeValue("Check1"), QString("1"));

    click("Command67");
    QVERIFY(panels.clinicPanel()->isVisible());
    QVERIFY(!panels.settingsPanel()->isVisible());
    ::child<QLineEdit>(&owner, "Text_Name")->setText("N");
    QCOMPARE(name.last().first().toString(), QString("N"));
    click("Command64");
    QCOMPARE(stored.size(), 2);
    QCOMPARE(themeValue("Name"), QString("N"));
    QCOMPARE(themeValue("Check1"), QString("1")); // Save keeps the show-logo setting
    QVERIFY(!panels.clinicPanel()->isVisible());
    // Closing the settings asks the owner to close every panel.
    panels.openSettings();
    const int resets = reset.size();
    click("Command69");
    QCOMPARE(reset.size(), resets + 1);
}

void TestSettings::logoFormat_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("saved");
    // MeravelLogo.jpg holds a JPEG whatever was chosen: programs that trust the name read it.
    QTest::newRow("jpeg stays") << QByteArray("jpg") << QByteArray("jpeg");
    QTest::newRow("gif -> jpeg") << QByteArray("gif") << QByteArray("jpeg");
    QTest::newRow("bmp -> jpeg") << QByteArray("bmp") << QByteArray("jpeg");
    QTest::newRow("png -> jpeg") << QByteArray("png") << QByteArray("jpeg");
    QTest::newRow("ico -> jpeg") << QByteArray("ico") << QByteArray("jpeg");
}

void TestSettings::logoFormat()
{
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, saved);
    if (!QImageWriter::supportedImageFormats().contains(source))
        QSKIP("no writer for this format");
    const QString picture = m_folder->file("picked." + QString::fromLatin1(source));
    QVERIFY(samplePicture().save(picture, source.constData()));
    QByteArray format;
    const QImage read = SettingsPanels::readPicture(picture, &format);
    QVERIFY(!read.isNull());
    const QString out = m_folder->file("out.jpg");
    QVERIFY(SettingsPanels::saveLogo(read, format, out));
    QImageReader reader(out);
    reader.setDecideFormatFromContent(true);
    QCOMPARE(reader.format(), saved);
    QCOMPARE(reader.read().size(), QSize(40, 30));
    // The format the name promises, to a reader that decides by the name alone.
    QImageReader byName(out);
    byName.setDecideFormatFromContent(false);
    QVERIFY2(!byName.read().isNull(), qPrintable(byName.errorString()));
}

void TestSettings::logoRoundTrip()
{
    ScopedScriptedDialogs d;
    const QString jpeg = chooseSampleLogo(d, "logo-source.jpg", "JPEG");
    QVERIFY(!jpeg.isEmpty());
    QCOMPARE(d.shown.size(), 2);
    QCOMPARE(d.shown[0].kind, QString("open"));
    QCOMPARE(d.shown[0].file.filter, u("All (*.*)|*.*|تصاویر (*.jpg *.jpeg *.png *.bmp)|*.jpg;*.jpeg;*.png;*.bmp"));
    QCOMPARE(d.shown[0].file.fileName, QString());
    QCOMPARE(d.messages().size(), 1);
    QCOMPARE(d.messages()[0].text, u(" آرم ذخيره شد"));
    QCOMPARE(d.messages()[0].caption, u("توجه"));
    QCOMPARE(d.messages()[0].icon, MsgIcon::Information);
    QVERIFY(child<QFrame>("Frame8")->isVisible());

    // A real JPEG of quality 90 under the name MeravelLogo.jpg.
    const QByteArray stored = readBytes(ProgramFolder::logoFile());
    QVERIFY(stored.startsWith("\xFF\xD8\xFF"));
    QByteArray expected;
    {
        QBuffer buffer(&expected);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(90);
        QImage source(jpeg);
        QVERIFY(writer.write(source.convertToFormat(QImage::Format_RGB32)));
    }
    QCOMPARE(stored.size(), expected.size());
    QVERIFY(stored == expected);
    QCOMPARE(ClinicData::load().logo.size(), QSize(40, 30));
    QVERIFY(!child<QLabel>("Picture2")->pixmap().isNull());

    // The next start loads it into the logo box.
    delete m_main;
    m_main = loadMain();
    QCOMPARE(child<QLabel>("Picture2")->pixmap().size(), QSize(40, 30));
    QCOMPARE(m_main->clinicData().logo.size(), QSize(40, 30));
}

void TestSettings::logoCancelWithoutEarlierChoice()
{
    ScopedScriptedDialogs d; // the file dialog answers Cancel
    click("Command9");
    click("Command65");
    QCOMPARE(d.shown.size(), 1);
    QVERIFY(d.messages().isEmpty());
    QVERIFY(!QFile::exists(ProgramFolder::logoFile()));
}

void TestSettings::logoCancelAfterEarlierChoiceSavesAgain()
{
    ScopedScriptedDialogs d;
    QVERIFY(!chooseSampleLogo(d, "first.bmp", "BMP").isEmpty());
    QVERIFY(QFile::remove(ProgramFolder::logoFile()));
    d.clear();
    click("Command65"); // cancelled
    QCOMPARE(d.messages().size(), 1);
    QCOMPARE(d.messages()[0].text, u(" آرم ذخيره شد"));
    QVERIFY(readBytes(ProgramFolder::logoFile()).startsWith("\xFF\xD8\xFF")); // a JPEG
}

void TestSettings::logoNotAPictureKeepsOldFile()
{
    ScopedScriptedDialogs d;
    QVERIFY(writeBytes(ProgramFolder::logoFile(), "previous logo bytes"));
    const QString text = m_folder->file("notes.xlsx");
    QVERIFY(writeBytes(text, "this is no picture"));
    chooseLogo(d, text);
    QVERIFY(d.messages().isEmpty());
    QCOMPARE(readBytes(ProgramFolder::logoFile()), QByteArray("previous logo bytes"));
}

void TestSettings::logoThatCannotBeWrittenIsAnError()
{
    ScopedScriptedDialogs d;
    QVERIFY(!chooseSampleLogo(d, "first.bmp", "BMP").isEmpty());
    QVERIFY(readBytes(ProgramFolder::logoFile()).startsWith("\xFF\xD8\xFF")); // a JPEG
    const QByteArray old = readBytes(ProgramFolder::logoFile());

    // The logo's place cannot take a file now (a folder stands in the way of the rename,
    // which fails for the superuser too).
    QVERIFY(QFile::remove(ProgramFolder::logoFile()));
    QVERIFY(QDir().mkdir(ProgramFolder::logoFile()));
    QImage other(20, 20, QImage::Format_RGB32);
    other.fill(Qt::red);
    const QString png = m_folder->file("second.png");
    QVERIFY(other.save(png, "PNG"));
    d.clear();
    d.fileAnswers.enqueue(png);
    click("Command65");
    QCOMPARE(d.messages().size(), 1);
    QVERIFY(d.messages()[0].text != u(" آرم ذخيره شد"));
    QVERIFY(!d.messages()[0].text.isEmpty());
    QCOMPARE(d.messages()[0].caption, u("خطا"));
    QCOMPARE(d.messages()[0].icon, MsgIcon::Exclamation);
    // The settings keep showing the logo that was saved before.
    QCOMPARE(m_main->clinicData().logo.size(), samplePicture().size());
    QCOMPARE(child<QLabel>("Picture2")->pixmap().size(), samplePicture().size());
    QVERIFY(QDir().rmdir(ProgramFolder::logoFile()));
    Q_UNUSED(old);
}

void TestSettings::shots()
{
    const QString dir = qEnvironmentVariable("MERAVEL_SHOTS");
    if (dir.isEmpty())
        QSKIP("set MERAVEL_SHOTS");
    QImage logo(300, 200, QImage::Format_RGB32);
    logo.fill(QColor(30, 120, 200));
    logo.save(ProgramFolder::logoFile(), "BMP");
    for (const char* n : {"1", "7", "14", "25", "31", "48"}) {
        Skin::writeSkinName(n);
        delete m_main;
        m_main = loadMain();
        click("Command9");
        m_main->grab().save(dir + "/settings-" + n + ".png");
        click("Command68");
        m_main->grab().save(dir + "/theme-" + n + ".png");
        click("Command67");
        child<QLineEdit>("Text_Name")->setText(u("کلينيک مشاوره آرامش"));
        child<QLineEdit>("Text_Adress")->setText(u("تهران، خيابان آزادي، پلاک ۱۲"));
        m_main->grab().save(dir + "/clinic-" + n + ".png");
    }
}

QTEST_MAIN(TestSettings)
#include "test_settings.moc"
