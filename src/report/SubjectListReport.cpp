#include "report/SubjectListReport.h"

#include "data/ClinicData.h"
#include "data/Database.h"
#include "data/InterestTypes.h"
#include "data/SubjectStore.h"
#include "data/Utf8.h"

namespace {
using Report::Control;

// The columns from right to left: title and its place, the IDE column and the field's place.
struct Column {
    const char* title;
    int titleLeft, titleWidth;
    const char* field; // nullptr: the row number
    int fieldLeft, fieldWidth;
};
const Column kColumns[] = {
    {"رديف", 10357, 450, nullptr, 10420, 420},
    {"نام", 9565, 765, "FName", 9618, 720},
    {"نام خانوادگي", 8577, 994, "LName", 8560, 984},
    {"کد", 8080, 487, "Code", 8145, 452},
    {"گروه", 7423, 660, "Group", 7465, 528},
    {"سن", 6965, 408, "Sen", 6898, 490},
    {"جنس", 6230, 600, "Jens", 6218, 604},
    {"كلاس", 4102, 2088, "Tahsil", 4073, 2072},
    {InterestTypes::Persian[InterestTypes::V], 3423, 576, InterestTypes::TotalColumn[InterestTypes::V], 3394, 566},
    {InterestTypes::Persian[InterestTypes::J], 2667, 686, InterestTypes::TotalColumn[InterestTypes::J], 2676, 642},
    {InterestTypes::Persian[InterestTypes::H], 2046, 690, InterestTypes::TotalColumn[InterestTypes::H], 1958, 604},
    {InterestTypes::Persian[InterestTypes::A], 1407, 576, InterestTypes::TotalColumn[InterestTypes::A], 1474, 566},
    {InterestTypes::Persian[InterestTypes::M], 651, 686, InterestTypes::TotalColumn[InterestTypes::M], 756, 642},
    {InterestTypes::Persian[InterestTypes::G], 30, 690, InterestTypes::TotalColumn[InterestTypes::G], 38, 604},
};
constexpr int kColumnCount = int(sizeof(kColumns) / sizeof(kColumns[0]));
constexpr int kRowHeight = 418;
constexpr int kRight = 10807; // right edge of the row-number column
const QColor kRule(90, 90, 90);

Control text(const char* name, int left, int top, int width, int height, const QString& caption,
             Qt::Alignment alignment, qreal points, bool bold = false)
{
    return Control::textAt(QString::fromLatin1(name), left, top, width, height, caption, alignment, points, bold);
}

Control line(int x1, int y1, int x2, int y2, int width = 15, QColor color = kRule)
{
    return Control::lineBetween(x1, y1, x2, y2, width, color);
}

// Vertical rules between the columns (at every title's left edge but the last) and at both ends.
void addColumnRules(Report::Band& band)
{
    band.add(line(kRight, 0, kRight, kRowHeight));
    for (int i = 0; i < kColumnCount - 1; ++i)
        band.add(line(kColumns[i].titleLeft, 0, kColumns[i].titleLeft, kRowHeight));
    band.add(line(kColumns[kColumnCount - 1].titleLeft, 0, kColumns[kColumnCount - 1].titleLeft, kRowHeight));
}
} // namespace

SubjectListReport::SubjectListReport()
    : m_doc(Report::Document::create("DataRPrint", u("فهرست آزمودني ها"), 10850))
{
    Report::Document& d = *m_doc;

    // Report header (Section4): silver, the logo, the clinic name and the title.
    Report::addClinicHeader(d.reportHeader, "Label9", 9328, "Label1", 9348,
                            u("گزارش نتيجه تست  رغبت سنج تحصيلي - شغلي مراول   "));

    // Page header (Section2): light grey, the column titles centred between ruled lines.
    d.pageHeader.height = kRowHeight;
    d.pageHeader.background = QColor(224, 224, 224);
    for (int i = 0; i < kColumnCount; ++i) {
        const Column& col = kColumns[i];
        d.pageHeader.add(text(qPrintable(QString("Title%1").arg(i)), col.titleLeft, 0, col.titleWidth, kRowHeight,
                              u(col.title), Qt::AlignCenter, 10, true));
    }
    addColumnRules(d.pageHeader);
    d.pageHeader.add(line(kColumns[kColumnCount - 1].titleLeft, 0, kRight, 0));
    d.pageHeader.add(line(kColumns[kColumnCount - 1].titleLeft, kRowHeight, kRight, kRowHeight));

    // Detail (Section1): one line per subject, centred except the first name.
    d.detail.height = kRowHeight;
    for (int i = 0; i < kColumnCount; ++i) {
        const Column& col = kColumns[i];
        Control f = text(col.field ? col.field : "Code", col.fieldLeft, 0, col.fieldWidth, kRowHeight, QString(),
                         col.field && QByteArray(col.field) == "FName" ? (Qt::AlignRight | Qt::AlignVCenter)
                                                                     : Qt::AlignCenter,
                         10);
        f.field = i;
        d.detail.add(f);
    }
    addColumnRules(d.detail);
    d.detail.add(line(kColumns[kColumnCount - 1].titleLeft, kRowHeight, kRight, kRowHeight, 8, QColor(170, 170, 170)));

    // Page footer (Section3): address at the right, contact lines at the left.
    d.pageFooter.height = 1484;
    Control address = text("Label14", 5448, 103, 5146, 1343, QString(), Qt::AlignRight | Qt::AlignTop, 10);
    address.wordWrap = true;
    d.pageFooter.add(address);
    Control contact = text("Label15", 29, 103, 5302, 1343, QString(), Qt::AlignLeft | Qt::AlignTop, 10);
    contact.wordWrap = true;
    d.pageFooter.add(contact);

    d.reportFooter.height = 0;
}

void SubjectListReport::setDataSource(const QVector<Subject>& subjects)
{
    m_doc->rows.clear();
    m_doc->rows.reserve(subjects.size());
    // The row counter starts at 0 for every report prepared, so each shows 1, 2, 3, …
    qint64 counter = 0;
    for (const Subject& s : subjects) {
        QStringList row{
            QString::number(++counter), s.firstName, s.lastName, s.code, s.group, s.age, s.sex, s.schoolClass};
        for (const QString& total : s.totals)
            row << total;
        m_doc->rows.append(row);
    }
}

bool SubjectListReport::setDataSource(const SubjectStore& subjects, QString* error)
{
    QString readError;
    const QVector<Subject> list = subjects.list(&readError);
    setDataSource(list);
    if (!readError.isEmpty() && error)
        *error = readError;
    return readError.isEmpty();
}

bool SubjectListReport::setDataSourceAllSubjects(QString* error) { return setDataSource(SubjectStore(), error); }

void SubjectListReport::setLogo(const QImage& logo) { m_doc->setPicture("Section4", "Image3", logo); }

void SubjectListReport::setClinicName(const QString& name) { m_doc->setCaption("Section4", "Label9", name); }

void SubjectListReport::setFooterTexts(const QString& addressLine, const QString& contactText)
{
    m_doc->setCaption("Section3", "Label14", addressLine);
    m_doc->setCaption("Section3", "Label15", contactText);
}

void SubjectListReport::applyClinic(bool showLogo, const QImage& logo, const QString& name, const QString& address,
                             const QString& contactText)
{
    if (showLogo)
        setLogo(logo);
    setClinicName(name);
    setFooterTexts(u("آدرس: ") + address, contactText);
}

bool SubjectListReport::writePdf(const QString& path, QString* error) const { return Report::writePdf(*m_doc, path, error); }

bool SubjectListReport::writeAllSubjectsPdf(const ClinicData& clinic, const QString& path, QString* error)
{
    SubjectListReport report;
    if (!report.setDataSourceAllSubjects(error))
        return false;
    report.applyClinic(clinic.showLogo, clinic.logo, clinic.name, clinic.address, clinic.contactText);
    return report.writePdf(path, error);
}
