#include "records/LookupWindow.h"

#include "data/PersianText.h"
#include "app/AppSetup.h"
#include "app/Dialogs.h"
#include "app/SelfClosingMessage.h"
#include "app/WindowFrame.h"
#include "calendar/SolarCalendar.h"
#include "data/Clock.h"
#include "data/Database.h"
#include "data/Messages.h"
#include "data/SubjectStore.h"
#include "data/WorkerThread.h"
#include "records/RowNumberHeader.h"
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
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QCompleter>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QPointer>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
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

QLabel* label(QWidget* parent, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->setFont(persianFont(11, true));
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}
} // namespace

LookupWindow::LookupWindow(QWidget* parent) : QDialog(parent)
{
    WindowFrame::prepare(this, "FrmCode");
    setWindowTitle(QStringLiteral("کد آزمودني"));
    setFont(persianFont());
    // The look-up and the deletion at the right, the grid at the left.
    auto* columns = new QHBoxLayout(this);
    columns->setContentsMargins(18, 12, 18, 12);
    columns->setSpacing(14);
    auto* side = new QVBoxLayout;
    columns->addLayout(side);

    auto* boxes = new QGridLayout;
    boxes->setHorizontalSpacing(6);
    boxes->setVerticalSpacing(8);
    auto combo = [this, boxes](const char* name, const QString& caption, int row) {
        auto* c = new QComboBox(this);
        c->setObjectName(name);
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
        // Fourteen characters wide, whatever names the list holds: a box sized to its
        // contents would measure every name it lists whenever the window is laid out.
        c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        c->setMinimumContentsLength(14);
        // The names in the list are rows of one height: its view lays them out without
        // measuring each (it did, for every name read, on the window's first idle moment).
        if (auto* list = qobject_cast<QListView*>(c->view()))
            list->setUniformItemSizes(true);
        boxes->addWidget(label(this, caption), row, 0);
        boxes->addWidget(c, row, 1);
        return c;
    };
    m_firstNameBox = combo("DataCombo1", QStringLiteral(" :نام "), 0);
    m_lastNameBox = combo("DataCombo2", QStringLiteral(" :نام خانوادگي"), 1);
    m_groupBox = combo("DataCombo3", QStringLiteral(" :گروه"), 2);
    boxes->setColumnStretch(1, 1);
    side->addSpacing(16);
    side->addLayout(boxes);
    side->addSpacing(18);
    // An editable box's completer reads its whole list as soon as it is given one (it matches
    // against every name): with 100,000 subjects that was most of the window's opening. The
    // name boxes get their completers, with the list, at the first key pressed in the box: the
    // only moment a completion can happen.
    m_noNames = new QStringListModel(this);
    detachCompleter(m_firstNameBox);
    detachCompleter(m_lastNameBox);
    m_firstNameBox->installEventFilter(this);
    m_lastNameBox->installEventFilter(this);
    m_firstNames = new QSqlQueryModel(this);
    m_lastNames = new QSqlQueryModel(this);
    m_groupBox->addItems({"A", "B", "C", "D", "E", "F", "G"});
    m_groupBox->setCurrentIndex(-1); // starts empty
    m_groupBox->setEditText(QString());

    m_deletion = new QGroupBox(QStringLiteral("حذف کردن آزمودني"), this);
    m_deletion->setObjectName("Frame1");
    m_deletion->setFont(persianFont(11, true));
    auto* deletion = new QVBoxLayout(m_deletion);
    deletion->setContentsMargins(14, 12, 14, 12);
    deletion->setSpacing(10);
    auto* prompt = new QLabel(QStringLiteral("کد آزمودني را وارد کنيد"), m_deletion);
    prompt->setAlignment(Qt::AlignCenter);
    deletion->addWidget(prompt);
    m_deleteCodeBox = new QLineEdit(m_deletion);
    m_deleteCodeBox->setObjectName("Text1");
    m_deleteCodeBox->setAlignment(Qt::AlignCenter);
    m_deleteCodeBox->setMinimumWidth(m_deleteCodeBox->fontMetrics().averageCharWidth() * 16);
    deletion->addWidget(m_deleteCodeBox, 0, Qt::AlignHCenter);
    m_deleteButton = new QPushButton(QStringLiteral("حذف "), m_deletion);
    m_deleteButton->setObjectName("Command1");
    m_deleteButton->setAutoDefault(false);
    deletion->addWidget(m_deleteButton, 0, Qt::AlignHCenter);
    side->addWidget(m_deletion);
    side->addSpacing(8);

    // The summary of the subjects the grid lists and the export of them side by side (the
    // group report at the right), the exit and the item report under them.
    auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    m_groupReportButton = button("Command3", QString::fromUtf8(InterpretationTexts::GroupButton));
    m_exportButton = button("CommandExcel", QStringLiteral("خروجي اکسل"));
    m_exitButton = button("Command2", QStringLiteral("خروج"));
    m_itemReportButton = button("CommandItems", QString::fromUtf8(PsychometricsTexts::ItemButton));
    auto* listed = new QHBoxLayout;
    listed->addWidget(m_groupReportButton, 1);
    listed->addWidget(m_exportButton, 1);
    side->addLayout(listed);
    side->addWidget(m_exitButton, 0, Qt::AlignHCenter);
    side->addWidget(m_itemReportButton, 0, Qt::AlignHCenter);
    side->addStretch();

    // The grid with its title; rows come from one query and are fetched as they scroll into view.
    auto* gridColumn = new QVBoxLayout;
    gridColumn->setSpacing(2);
    columns->addLayout(gridColumn, 1);
    auto* title = new QLabel(QStringLiteral("مشخصات آزمودني"), this);
    title->setFont(persianFont(11, true));
    title->setAlignment(Qt::AlignCenter);
    gridColumn->addWidget(title);
    m_grid = new QSqlQueryModel(this);
    m_found = new FoundRowsModel(this);
    m_subjectGrid = new QTableView(this);
    m_subjectGrid->setObjectName("DataGrid1");
    m_subjectGrid->setVerticalHeader(new RowNumberHeader(m_subjectGrid));
    m_subjectGrid->setModel(m_grid);
    m_subjectGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_subjectGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_subjectGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_subjectGrid->verticalHeader()->setDefaultSectionSize(22);
    // As wide as the four titles need in the headers' bold face, with the row numbers and the
    // scroll bar, and tall enough for a page of rows.
    QFont headerFace = m_subjectGrid->font();
    headerFace.setBold(true);
    const QFontMetrics headerMetrics(headerFace);
    int gridWidth = 80;
    for (const QString& title : FoundRowsModel::gridTitles())
        gridWidth += headerMetrics.horizontalAdvance(title) + 40;
    m_subjectGrid->setMinimumSize(gridWidth, 300);
    gridColumn->addWidget(m_subjectGrid, 1);

    // A change of the subjects (a deletion) lists them all again, with the names left.
    m_subjects = new SubjectStore(this);
    connect(m_subjects, &SubjectStore::changed, this, [this] {
        showRows();
        reloadNameLists();
    });
    showRows();
    reloadNameLists();
    WindowFrame::finish(this);

    connect(m_groupBox, &QComboBox::currentTextChanged, this, &LookupWindow::groupChosen);
    connect(m_lastNameBox, &QComboBox::currentTextChanged, this, &LookupWindow::lastNameChosen);
    connect(m_firstNameBox, &QComboBox::currentTextChanged, this, &LookupWindow::firstNameChosen);
    connect(m_deleteButton, &QPushButton::clicked, this, &LookupWindow::deleteSubject);
    connect(m_groupReportButton, &QPushButton::clicked, this, &LookupWindow::printGroupReport);
    connect(m_exportButton, &QPushButton::clicked, this, &LookupWindow::exportListed);
    connect(m_itemReportButton, &QPushButton::clicked, this, &LookupWindow::analyzeListed);
    // The exit button is the window's cancel button: Esc rejects the dialog as well.
    connect(m_exitButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(&m_export, &QFutureWatcher<ExportRun>::finished, this, &LookupWindow::exportDone);
}

LookupWindow::~LookupWindow()
{
    // An export is never left running: it writes a file under a temporary name until it ends.
    if (m_exportCancelled)
        *m_exportCancelled = true;
    m_export.waitForFinished();
    // The boxes are deleted after this window's members; a box losing the focus then may still
    // change its text, which must not reach the handlers any more.
    for (QComboBox* box : {m_firstNameBox, m_lastNameBox, m_groupBox})
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
        BoundedQuery q = SubjectSearch::codeOrGroupQuery(c);
        if (!q.exec())
            qWarning("look-up grid: %s", qPrintable(q.errorText()));
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
        rows = m_subjects->find(c);
    static_cast<FoundRowsModel*>(m_found)->setRows(std::move(rows));
    showModel(m_found);
}

void LookupWindow::showModel(QAbstractItemModel* model)
{
    if (m_subjectGrid->model() == model)
        return;
    QItemSelectionModel* old = m_subjectGrid->selectionModel();
    m_subjectGrid->setModel(model);
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

bool LookupWindow::listsFoundRows() const { return m_subjectGrid->model() == m_found; }

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
    const QSignalBlocker b1(m_firstNameBox), b2(m_lastNameBox);
    const QString first = m_firstNameBox->currentText(), last = m_lastNameBox->currentText();
    m_firstNames->setQuery("SELECT DISTINCT \"FName\" FROM \"IDE\" WHERE \"FName\" IS NOT NULL ORDER BY \"FName\"",
                           Database::connection(DbFile::Main));
    m_lastNames->setQuery("SELECT DISTINCT \"LName\" FROM \"IDE\" WHERE \"LName\" IS NOT NULL ORDER BY \"LName\"",
                          Database::connection(DbFile::Main));
    detachCompleter(m_firstNameBox);
    detachCompleter(m_lastNameBox);
    m_firstNameBox->setModel(m_firstNames);
    m_lastNameBox->setModel(m_lastNames);
    m_firstNameBox->setCurrentIndex(-1);
    m_lastNameBox->setCurrentIndex(-1);
    m_firstNameBox->setEditText(first);
    m_lastNameBox->setEditText(last);
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
        auto* box = (watched == m_firstNameBox || watched == m_lastNameBox) ? static_cast<QComboBox*>(watched)
                                                                            : nullptr;
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
    emptyBoxes(m_lastNameBox, m_firstNameBox);
    showRows("Group", m_groupBox->currentText());
}

void LookupWindow::lastNameChosen()
{
    if (m_emptying)
        return;
    emptyBoxes(m_firstNameBox, m_groupBox);
    showRows("LName", m_lastNameBox->currentText());
}

void LookupWindow::firstNameChosen()
{
    if (m_emptying)
        return;
    showRows("FName", m_firstNameBox->currentText());
    emptyBoxes(m_lastNameBox, m_groupBox);
}

void LookupWindow::deleteSubject()
{
    const QString code = PersianText::foldDigits(m_deleteCodeBox->text());
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
    if (!m_subjects->remove(code, &error)) {
        Dialogs::show(this, error, "Error", MsgIcon::Exclamation, MsgButtons::Ok, true);
        return;
    }
    SelfClosingMessage::show(this, QStringLiteral("حذف با موفقيت انجام گرفت"));
    m_deleteCodeBox->clear();
    m_deleteCodeBox->setFocus();
}
