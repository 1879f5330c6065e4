// Qt's own dialogs and buttons speak Persian: qtbase_fa.qm is shipped in the program folder,
// found from the executable's folder and loaded at start-up; file paths and dates in the file
// dialog stay left to right; the program's own additions are Persian too.
#include "TestFolder.h"
#include "SubjectListPreview.h"
#include "TestHelpers.h"

#include "app/AppSetup.h"
#include "app/DialogDirections.h"
#include "app/Dialogs.h"
#include "data/QtTranslation.h"
#include "update/UpdateTexts.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QToolBar>
#include <QTimer>
#include <QTreeView>
#include <QtTest>

namespace {
bool hasPersian(const QString& s) { return s.contains(QRegularExpression(QStringLiteral("[\\x{0600}-\\x{06FF}]"))); }
} // namespace

class TestQtTranslation : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { AppSetup::configure(*qApp); }
    void shippedInTheProgramFolder();
    void messageBoxButtons();
    void fileDialog();
    void programsSaveDialog();
    void previewToolBar();
    void ownTextsArePersian();
};

void TestQtTranslation::shippedInTheProgramFolder()
{
    // The build lays it out beside the programs; the same file as Qt's own.
    const QString shipped = TestFolder::templateFolder() + "/translations/qtbase_fa.qm";
    QVERIFY2(QFileInfo::exists(shipped), qPrintable(shipped));
    QFile a(shipped), b("/usr/share/qt6/translations/qtbase_fa.qm");
    QVERIFY(a.open(QIODevice::ReadOnly));
    if (b.open(QIODevice::ReadOnly))
        QVERIFY(a.readAll() == b.readAll());
    // Looked for beside the executable, then among the installed templates: a program
    // folder anywhere (a copy, a Windows installation) finds its own.
    const QString exe = QCoreApplication::applicationDirPath();
    const QStringList folders = QtTranslation::folders();
    QVERIFY(folders.contains(QDir::cleanPath(exe + "/translations")));
    QVERIFY(folders.contains(QDir::cleanPath(exe + "/../share/meravel/translations")));
    QCOMPARE(QtTranslation::file(), QDir::cleanPath(TestFolder::templateFolder() + "/translations/qtbase_fa.qm"));
}

void TestQtTranslation::messageBoxButtons()
{
    QMessageBox box(QMessageBox::Question, u("پيام"), u("متن"),
                    QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes | QMessageBox::No);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    for (QAbstractButton* b : box.buttons())
        QVERIFY2(hasPersian(b->text()), qPrintable(b->text()));
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QVERIFY(hasPersian(buttons.button(QDialogButtonBox::Ok)->text()));
    QVERIFY(hasPersian(buttons.button(QDialogButtonBox::Cancel)->text()));
}

void TestQtTranslation::fileDialog()
{
    TestFolder folder;
    QFile f(folder.file("a.pdf"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("x");
    f.close();
    QFileDialog dialog(nullptr, u("ذخيره"), folder.path(), "PDF (*.pdf)");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.selectFile(u("کارنامه 51.pdf"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.layoutDirection(), Qt::RightToLeft);
    // Its labels and buttons in Persian.
    auto* lookIn = dialog.findChild<QLabel*>("lookInLabel");
    QVERIFY(lookIn);
    QVERIFY2(hasPersian(lookIn->text()), qPrintable(lookIn->text()));
    auto* box = dialog.findChild<QDialogButtonBox*>("buttonBox");
    QVERIFY(box);
    for (QAbstractButton* b : box->buttons())
        QVERIFY2(hasPersian(b->text()), qPrintable(b->text()));
    // The path and the file name read left to right, the date and size cells too.
    QCOMPARE(dialog.findChild<QComboBox*>("lookInCombo")->layoutDirection(), Qt::LeftToRight);
    QCOMPARE(dialog.findChild<QLineEdit*>("fileNameEdit")->layoutDirection(), Qt::LeftToRight);
    auto* tree = dialog.findChild<QTreeView*>("treeView");
    QVERIFY(tree);
    QTRY_VERIFY(tree->model()->rowCount(tree->rootIndex()) > 0);
    for (int column : {1, 3}) {
        auto* cells = dynamic_cast<DialogDirections::LeftToRightCells*>(tree->itemDelegateForColumn(column));
        QVERIFY(cells);
        // What the cell is drawn with. The dialog's model learns a file's size and date on a
        // thread of its own, after the file's row appears: the cell may be empty a moment.
        auto drawnWith = [&] {
            QStyleOptionViewItem option;
            option.initFrom(tree);
            cells->initStyleOption(&option, tree->model()->index(0, column, tree->rootIndex()));
            return option;
        };
        QTRY_VERIFY(!drawnWith().text.isEmpty());
        QCOMPARE(drawnWith().direction, Qt::LeftToRight);
    }
    dialog.close();
}

void TestQtTranslation::programsSaveDialog()
{
    // The save dialog as the program opens it (Dialogs' real implementation), looked at while
    // it is up: the name proposed, its path box and name box set left to right.
    TestFolder folder;
    QString seen;
    QTimer::singleShot(300, this, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) {
                auto* name = d->findChild<QLineEdit*>("fileNameEdit");
                // (Qt's line edit takes its direction from the text it holds, so a Persian
                // name still runs right to left inside it; the box itself is set up.)
                auto* path = d->findChild<QComboBox*>("lookInCombo");
                seen = QStringLiteral("%1|%2|%3")
                           .arg(name ? name->text() : "?")
                           .arg(name && name->layoutDirection() == Qt::LeftToRight ? "ltr" : "rtl")
                           .arg(path && path->layoutDirection() == Qt::LeftToRight ? "ltr" : "rtl");
                d->reject();
            }
    });
    FileRequest request;
    request.title = u("ذخيره به صورت PDF");
    request.fileName = u("کارنامه 51.pdf");
    request.filter = "PDF (*.pdf)|*.pdf";
    request.folder = folder.path();
    QWidget owner;
    owner.show();
    QtDialogs dialogs;
    dialogs.saveFile(&owner, request);
    QCOMPARE(seen, u("کارنامه 51.pdf|ltr|ltr"));
}

void TestQtTranslation::previewToolBar()
{
    TestFolder folder;
    folder.addSubject("1");
    QWidget owner;
    QPrintPreviewDialog* preview = previewAllSubjects(&owner);
    QVERIFY(preview);
    auto* toolbar = preview->findChild<QToolBar*>();
    QVERIFY(toolbar);
    int checked = 0;
    for (QAction* a : toolbar->actions()) {
        if (a->isSeparator() || a->text().isEmpty())
            continue;
        const QString shown = a->objectName() == "savePdf" ? a->toolTip() : a->text();
        QVERIFY2(hasPersian(shown), qPrintable(shown));
        ++checked;
    }
    QVERIFY(checked >= 10);
    preview->close();
}

void TestQtTranslation::ownTextsArePersian()
{
    QVERIFY2(hasPersian(UpdateTexts::NotConfigured), qPrintable(UpdateTexts::NotConfigured));
}

QTEST_MAIN(TestQtTranslation)
#include "test_qttranslation.moc"
