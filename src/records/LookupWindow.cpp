#include "records/LookupWindow.h"

#include "data/PersianText.h"
#include "app/AppSetup.h"
#include "app/Dialogs.h"
#include "app/SelfClosingMessage.h"
#include "app/Skin.h"
#include "app/Twips.h"
#include "calendar/SolarCalendar.h"
#include "data/Clock.h"
#include "data/Database.h"
#include "data/Messages.h"
#include "records/SubjectDeletion.h"
#include "records/SubjectSearch.h"
#include "app/ReportPreview.h"
#include "data/ClinicData.h"
#include "report/GroupReport.h"
#include "report/ItemReport.h"
#include "scoring/PsychometricsTexts.h"
#include "scoring/ReferenceGroup.h"
#include "scoring/InterpretationTexts.h"

#include <QAbstractTableModel>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QThread>
#include <QCompleter>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QPointer>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QStringListModel>
#include <QUrl>
#include <QTableView>
#include <QVBoxLayout>

#include <atomic>

namespace {
using AppSetup::persianFont;

// The grid's rows when it is filtered: the subjects a search found.
class FoundRowsModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;
    void setRows(QVector<SubjectSearch::Row> rows)
    {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
    }
    const QVector<SubjectSearch::Row>& rows() const { return m_rows; }
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_rows.size(); }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 4; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        const SubjectSearch::Row& r = m_rows.at(index.row());
        const QString* fields[4] = {&r.code, &r.firstName, &r.lastName, &r.group};
        return *fields[index.column()];
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 4)
            return gridTitles().at(section);
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    static QStringList gridTitles()
    {
        return {QStringLiteral("كد آزمودني"), QStringLiteral("نام"), QStringLiteral("نام خانوادگي"),
                QStringLiteral("گروه")};
    }

private:
    QVector<SubjectSearch::Row> m_rows;
};

QLabel* label(QWidget* parent, const QString& text, const QRect& rect)
{
    auto* l = new QLabel(text, parent);
    l->setGeometry(rect);
    l->setFont(persianFont(11, true));
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}
} // namespace

LookupWindow::LookupWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName("FrmCode");
    setWindowTitle(QStringLiteral("کد آزمودني"));
    setLayoutDirection(Qt::RightToLeft);
    setFixedSize(Twips::size(10425, 8055));
    move(Twips::point(2340, 765));
    setFont(persianFont());

    // The grid with its title; rows come from one query and are fetched as they scroll into view.
    auto* gridFrame = new QWidget(this);
    gridFrame->setGeometry(Twips::rect(360, 720, 6255, 6735));
    auto* gridLayout = new QVBoxLayout(gridFrame);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    gridLayout->setSpacing(2);
    auto* title = new QLabel(QStringLiteral("مشخصات آزمودني"), gridFrame);
    title->setFont(persianFont(11, true));
    title->setAlignment(Qt::AlignCenter);
    gridLayout->addWidget(title);
    m_grid = new QSqlQueryModel(this);
    m_found = new FoundRowsModel(this);
    m_dataGrid1 = new QTableView(gridFrame);
    m_dataGrid1->setObjectName("DataGrid1");
    m_dataGrid1->setModel(m_grid);
    m_dataGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_dataGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_dataGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_dataGrid1->verticalHeader()->setDefaultSectionSize(22);
    gridLayout->addWidget(m_dataGrid1);

    auto combo = [this](const char* name, int top) {
        auto* c = new QComboBox(this);
        c->setObjectName(name);
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
        c->setGeometry(Twips::rect(6840, top, 1875, 360));
        return c;
    };
    m_dataCombo1 = combo("DataCombo1", 1140);
    m_dataCombo2 = combo("DataCombo2", 1620);
    m_dataCombo3 = combo("DataCombo3", 2100);
    label(this, QStringLiteral(" :نام "), Twips::rect(8760, 1140, 1400, 360));
    label(this, QStringLiteral(" :نام خانوادگي"), Twips::rect(8760, 1620, 1400, 360));
    label(this, QStringLiteral(" :گروه"), Twips::rect(8760, 2100, 1400, 360));
    // An editable box's completer reads its whole list as soon as it is given one (it matches
    // against every name): with 100,000 subjects that was most of the window's opening. The
    // name boxes get their completers, with the list, at the first key pressed in the box: the
    // only moment a completion can happen.
    m_noNames = new QStringListModel(this);
    detachCompleter(m_dataCombo1);
    detachCompleter(m_dataCombo2);
    m_dataCombo1->installEventFilter(this);
    m_dataCombo2->installEventFilter(this);
    m_firstNames = new QSqlQueryModel(this);
    m_lastNames = new QSqlQueryModel(this);
    m_dataCombo3->addItems({"A", "B", "C", "D", "E", "F", "G"});
    m_dataCombo3->setCurrentIndex(-1); // starts empty
    m_dataCombo3->setEditText(QString());

    auto* frame = new QGroupBox(QStringLiteral("حذف کردن آزمودني"), this);
    frame->setObjectName("Frame1");
    frame->setGeometry(Twips::rect(6780, 3105, 3315, 2655));
    frame->setFont(persianFont(11, true));
    auto* prompt = new QLabel(QStringLiteral("کد آزمودني را وارد کنيد"), frame);
    prompt->setGeometry(Twips::rect(240, 480, 2835, 420));
    prompt->setAlignment(Qt::AlignCenter);
    m_text1 = new QLineEdit(frame);
    m_text1->setObjectName("Text1");
    m_text1->setGeometry(Twips::rect(600, 1020, 2115, 420));
    m_text1->setAlignment(Qt::AlignCenter);
    m_command1 = new QPushButton(QStringLiteral("حذف "), frame);
    m_command1->setObjectName("Command1");
    m_command1->setGeometry(Twips::rect(960, 1680, 1395, 555));

    m_command2 = new QPushButton(QStringLiteral("خروج"), this);
    m_command2->setObjectName("Command2");
    m_command2->setGeometry(Twips::rect(7860, 6780, 1065, 555));
    m_command2->setAutoDefault(false);
    m_command1->setAutoDefault(false);

    // The summary of the subjects the grid lists and the export of them, side by side between
    // the deletion frame and the exit (the frame's width, the group report at the right): two
    // rows would not fit there, and one button must never lie over the other.
    m_command3 = new QPushButton(QString::fromUtf8(InterpretationTexts::GroupButton), this);
    m_command3->setObjectName("Command3");
    m_command3->setGeometry(Twips::rect(8475, 6060, 1620, 555));
    m_command3->setAutoDefault(false);
    m_commandExcel = new QPushButton(QStringLiteral("خروجي اکسل"), this);
    m_commandExcel->setObjectName("CommandExcel");
    m_commandExcel->setGeometry(Twips::rect(6780, 6060, 1620, 555));
    m_commandExcel->setAutoDefault(false);
    // Under the exit, clear of the grid and of every other button.
    m_commandItems = new QPushButton(QString::fromUtf8(PsychometricsTexts::ItemButton), this);
    m_commandItems->setObjectName("CommandItems");
    m_commandItems->setGeometry(Twips::rect(7530, 7440, 1800, 500));
    m_commandItems->setAutoDefault(false);

    Skin::loadInto(this);
    showRows();
    reloadNameLists();

    connect(m_dataCombo3, &QComboBox::currentTextChanged, this, &LookupWindow::groupChosen);
    connect(m_dataCombo2, &QComboBox::currentTextChanged, this, &LookupWindow::lastNameChosen);
    connect(m_dataCombo1, &QComboBox::currentTextChanged, this, &LookupWindow::firstNameChosen);
    connect(m_command1, &QPushButton::clicked, this, &LookupWindow::deleteSubject);
    connect(m_command3, &QPushButton::clicked, this, &LookupWindow::printGroupReport);
    connect(m_commandExcel, &QPushButton::clicked, this, &LookupWindow::exportListed);
    connect(m_commandItems, &QPushButton::clicked, this, &LookupWindow::analyzeListed);
    // The exit button is the window's cancel button: Esc rejects the dialog as well.
    connect(m_command2, &QPushButton::clicked, this, &QDialog::reject);
}

LookupWindow::~LookupWindow()
{
    // The boxes are deleted after this window's members; a box losing the focus then may still
    // change its text, which must not reach the handlers any more.
    for (QComboBox* box : {m_dataCombo1, m_dataCombo2, m_dataCombo3})
        box->disconnect(this);
}

QString LookupWindow::programTitle()
{
    const QString title = QCoreApplication::applicationName();
    return title.isEmpty() ? QStringLiteral("Meravel") : title;
}

void LookupWindow::showRows(const QString& column, const QString& value)
{
    m_filterColumn = column;
    m_filterValue = value;
    // Filters go through the subject search, as the companion tool's find does.
    SubjectSearch::Criteria c;
    if (!column.isEmpty())
        (column == "Code"        ? c.code
             : column == "FName" ? c.firstName
             : column == "LName" ? c.lastName
                                 : c.group) = value;
    const bool emptyFilter = !column.isEmpty() && PersianText::foldName(value).isEmpty();
    if (!emptyFilter && !SubjectSearch::needsIndex(c)) {
        // Every subject, or those of a code or group: rows are fetched as they scroll into view.
        QSqlQuery q = SubjectSearch::codeOrGroupQuery(c);
        if (!q.exec())
            qWarning("look-up grid: %s", qPrintable(q.lastError().text()));
        m_grid->setQuery(std::move(q));
        const QStringList titles = FoundRowsModel::gridTitles();
        for (int i = 0; i < titles.size(); ++i)
            m_grid->setHeaderData(i, Qt::Horizontal, titles.at(i));
        showModel(m_grid);
        return;
    }
    // Names compare folded.
    QVector<SubjectSearch::Row> rows;
    if (!emptyFilter)
        rows = SubjectSearch::find(c);
    static_cast<FoundRowsModel*>(m_found)->setRows(std::move(rows));
    showModel(m_found);
}

void LookupWindow::showModel(QAbstractItemModel* model)
{
    if (m_dataGrid1->model() == model)
        return;
    QItemSelectionModel* old = m_dataGrid1->selectionModel();
    m_dataGrid1->setModel(model);
    delete old; // the view makes a new one for each model and keeps the old
}

GroupSummary::Selection LookupWindow::gridSelection() const
{
    // The same condition as the grid's query in showRows().
    GroupSummary::Selection selection;
    if (listsFoundRows()) {
        selection.onlyCodes = true;
        selection.codes = listedCodes();
    } else {
        selection.column = m_filterColumn;
        selection.value = PersianText::foldName(m_filterValue); // as the grid's query compares it
    }
    return selection;
}

void LookupWindow::printGroupReport()
{
    const GroupSummary::Selection selection = gridSelection();
    GroupSummary::Summary summary;
    QString error;
    if (!GroupSummary::compute(selection, &summary, &error)) {
        Dialogs::show(this, error, QStringLiteral("خطا"), MsgIcon::Exclamation, MsgButtons::Ok, true);
        return;
    }
    // The clinic details, show-logo setting and logo the main window keeps.
    const ClinicData clinic = m_clinicData ? m_clinicData() : ClinicData::load();
    GroupReport report;
    report.fill(summary, GroupReport::describe(selection));
    report.applyClinic(clinic.showLogo, clinic.logo, clinic.name, clinic.address, clinic.contactText);
    Report::preview(report.sharedDocument(), this);
}

void LookupWindow::analyzeListed()
{
    FileRequest request;
    request.title = QString::fromUtf8(PsychometricsTexts::ItemReportTitle);
    request.fileName = QString::fromUtf8(PsychometricsTexts::ItemReportTitle) + QStringLiteral(".pdf");
    request.filter = QStringLiteral("PDF|*.pdf|Excel|*.xlsx");
    const QString path = Dialogs::instance().saveFile(this, request);
    if (path.isEmpty())
        return;
    std::vector<Psychometrics::Subject> subjects;
    QString error;
    if (!ReferenceGroup::read(gridSelection(), &subjects, &error)
        || !ItemReport::write(subjects, gridSelection(), path, &error)) {
        Dialogs::show(this, error, "Error", MsgIcon::Exclamation, MsgButtons::Ok, true);
        return;
    }
    Dialogs::instance().openUrl(QUrl::fromLocalFile(path));
}

QStringList LookupWindow::listedCodes() const
{
    QStringList codes;
    for (const SubjectSearch::Row& r : static_cast<const FoundRowsModel*>(m_found)->rows())
        codes << r.code;
    return codes;
}

bool LookupWindow::listsFoundRows() const { return m_dataGrid1->model() == m_found; }

Scoring::SubjectFilter LookupWindow::gridFilter() const
{
    // Names are matched folded, so the grid then lists the rows the search found: the export
    // takes exactly those codes.
    if (listsFoundRows()) {
        QVariant codes;
        const QString condition = Database::listCondition(QStringLiteral("Code"), listedCodes(), &codes);
        return {condition, {codes}};
    }
    if (m_filterColumn.isEmpty())
        return {};
    return {"\"" + m_filterColumn + "\" = ?", {PersianText::foldName(m_filterValue)}};
}

void LookupWindow::reloadNameLists()
{
    // Distinct names straight from their indexes; the lists fetch rows as they are scrolled.
    const QSignalBlocker b1(m_dataCombo1), b2(m_dataCombo2);
    const QString first = m_dataCombo1->currentText(), last = m_dataCombo2->currentText();
    m_firstNames->setQuery("SELECT DISTINCT \"FName\" FROM \"IDE\" WHERE \"FName\" IS NOT NULL ORDER BY \"FName\"",
                           Database::connection(DbFile::Main));
    m_lastNames->setQuery("SELECT DISTINCT \"LName\" FROM \"IDE\" WHERE \"LName\" IS NOT NULL ORDER BY \"LName\"",
                          Database::connection(DbFile::Main));
    detachCompleter(m_dataCombo1);
    detachCompleter(m_dataCombo2);
    m_dataCombo1->setModel(m_firstNames);
    m_dataCombo2->setModel(m_lastNames);
    m_dataCombo1->setCurrentIndex(-1);
    m_dataCombo2->setCurrentIndex(-1);
    m_dataCombo1->setEditText(first);
    m_dataCombo2->setEditText(last);
}

void LookupWindow::detachCompleter(QComboBox* box)
{
    if (QPointer<QCompleter> completer = box->completer()) {
        completer->setModel(m_noNames); // let go of the list before it is read again
        box->setCompleter(nullptr);     // the box deletes a completer it owns
        if (completer)
            completer->deleteLater();
    }
}

bool LookupWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::InputMethod) {
        auto* box = (watched == m_dataCombo1 || watched == m_dataCombo2) ? static_cast<QComboBox*>(watched) : nullptr;
        if (box && !box->completer()) {
            // The completer an editable box makes for itself.
            auto* completer = new QCompleter(box->model(), box);
            completer->setCaseSensitivity(Qt::CaseInsensitive);
            completer->setCompletionMode(QCompleter::InlineCompletion);
            completer->setCompletionColumn(box->modelColumn());
            box->setCompleter(completer);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void LookupWindow::emptyBoxes(QComboBox* a, QComboBox* b)
{
    m_emptying = true;
    a->setEditText(QString());
    b->setEditText(QString());
    m_emptying = false;
}

void LookupWindow::groupChosen()
{
    if (m_emptying)
        return;
    emptyBoxes(m_dataCombo2, m_dataCombo1);
    showRows("Group", m_dataCombo3->currentText());
}

void LookupWindow::lastNameChosen()
{
    if (m_emptying)
        return;
    emptyBoxes(m_dataCombo1, m_dataCombo3);
    showRows("LName", m_dataCombo2->currentText());
}

void LookupWindow::firstNameChosen()
{
    if (m_emptying)
        return;
    showRows("FName", m_dataCombo1->currentText());
    emptyBoxes(m_dataCombo2, m_dataCombo3);
}

void LookupWindow::deleteSubject()
{
    const QString code = PersianText::foldDigits(m_text1->text());
    if (code.isEmpty()) {
        SelfClosingMessage::show(this, QString::fromUtf8(Messages::NoCode));
        return;
    }
    QString error;
    const bool exists = SubjectDeletion::hasAnswerRow(code, &error);
    if (!error.isEmpty()) {
        Dialogs::show(this, error, "Error", MsgIcon::Exclamation, MsgButtons::Ok, true);
        return;
    }
    if (!exists) {
        SelfClosingMessage::show(this, QStringLiteral("فردي با اين کد وجود ندارد"));
        return;
    }
    showRows("Code", code);
    if (Dialogs::show(this, QStringLiteral("آيا براي حذف کردن مطمئن هستيد؟"), programTitle(), MsgIcon::Question,
                      MsgButtons::YesNo)
        != MsgResult::Yes)
        return;
    // All five rows go in one transaction, or none of them.
    if (!SubjectDeletion::remove(code, &error)) {
        Dialogs::show(this, error, "Error", MsgIcon::Exclamation, MsgButtons::Ok, true);
        return;
    }
    SelfClosingMessage::show(this, QStringLiteral("حذف با موفقيت انجام گرفت"));
    m_text1->clear();
    m_text1->setFocus();
    showRows();
    reloadNameLists();
}

QString LookupWindow::defaultExportName()
{
    return QStringLiteral("آزمودني ها ") + SolarCalendar::solarDate(Clock::now(), 0).replace('/', '-')
        + QStringLiteral(".xlsx");
}

void LookupWindow::exportListed()
{
    const Scoring::SubjectFilter filter = gridFilter();
    QString error;
    const qint64 count = Scoring::countSubjects(filter, &error);
    if (count < 0) {
        Dialogs::show(this, error, QStringLiteral("خطا"), MsgIcon::Exclamation, MsgButtons::Ok, true);
        return;
    }
    if (count == 0) {
        SelfClosingMessage::show(this, QStringLiteral("آزمودني اي در جدول نيست"));
        return;
    }
    FileRequest request;
    request.title = QStringLiteral("خروجي اکسل");
    request.folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    request.fileName = defaultExportName();
    request.filter = QStringLiteral("Excel|*.xlsx");
    QString path = Dialogs::instance().saveFile(this, request);
    if (path.isEmpty())
        return; // cancelled: nothing to say
    if (!path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive))
        path += QLatin1String(".xlsx");
    if (QFileInfo::exists(path)
        && Dialogs::show(this, QStringLiteral("فايلي با اين نام وجود دارد. آيا مي خواهيد آن را جايگزين کنيد؟"),
                         programTitle(), MsgIcon::Question, MsgButtons::YesNo)
            != MsgResult::Yes)
        return;
    switch (runExport(path, count, &error)) {
    case Scoring::ExportOutcome::Written: SelfClosingMessage::show(this, Scoring::xlsxSavedMessage()); break;
    case Scoring::ExportOutcome::Failed:
        Dialogs::show(this, error + "\n" + QChar(0x2066) + QDir::toNativeSeparators(path) + QChar(0x2069),
                      QStringLiteral("خطا"), MsgIcon::Exclamation, MsgButtons::Ok, true);
        break;
    case Scoring::ExportOutcome::Cancelled: break; // the user's choice: nothing written, nothing to say
    }
}

Scoring::ExportOutcome LookupWindow::runExport(const QString& path, qint64 count, QString* error)
{
    // Large exports take a few seconds: the window keeps drawing and the progress box can
    // cancel. Small ones finish before the box would appear.
    QProgressDialog progress(QStringLiteral("در حال ذخيره فايل اکسل ..."), QStringLiteral("انصراف"), 0, int(count),
                             this);
    progress.setObjectName("ExportProgress");
    progress.setWindowTitle(QStringLiteral("خروجي اکسل"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setMinimumDuration(count > 10000 ? 0 : 1000);
    std::atomic<bool> cancelled{false};
    connect(&progress, &QProgressDialog::canceled, &progress, [&cancelled] { cancelled = true; });

    Scoring::XlsxOptions options;
    options.fontName = QString::fromUtf8(AppSetup::fontFamilies()[0]);
    options.filter = gridFilter();
    options.progress = [&progress, &cancelled](qint64 done, qint64) {
        QMetaObject::invokeMethod(
            &progress, [&progress, done] { progress.setValue(int(std::min<qint64>(done, progress.maximum()))); },
            Qt::QueuedConnection);
        return !cancelled;
    };
    Scoring::ExportOutcome outcome = Scoring::ExportOutcome::Failed;
    QThread* worker = QThread::create([&] {
        outcome = Scoring::exportXlsx(path, options, error);
        Database::closeAll(); // this thread's own connection
    });
    QEventLoop loop;
    connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    progress.setValue(0);
    worker->start();
    loop.exec();
    worker->wait();
    delete worker;
    progress.hide();
    return cancelled && outcome != Scoring::ExportOutcome::Written ? Scoring::ExportOutcome::Cancelled : outcome;
}
