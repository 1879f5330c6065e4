#pragma once
#include "report/BandedReport.h"

#include "data/Subject.h"

#include <QImage>
#include <QString>
#include <QVector>
#include <memory>

class SubjectStore;
struct ClinicData;

// The subject-list report: one line per registered subject with the registration data and
// the six per-type totals, under a header with the clinic's name and logo and a footer with
// the clinic's address and contact lines. Lines are numbered 1, 2, 3, … in table order, anew
// for every report shown.
class SubjectListReport {
public:
    SubjectListReport();

    // Binds the detail lines to these subjects, in this order: the report shows them as they
    // were when it was prepared.
    void setDataSource(const QVector<Subject>& subjects);
    // The same for every subject of the store (SubjectStore::list), read now.
    bool setDataSource(const SubjectStore& subjects, QString* error = nullptr);
    // The same for the subjects of the current program folder.
    bool setDataSourceAllSubjects(QString* error = nullptr);

    void setLogo(const QImage& logo);
    void setClinicName(const QString& name);
    void setFooterTexts(const QString& addressLine, const QString& contactText);

    // The print step the scoring window and the companion tool share: logo only when the
    // show-logo setting is on, the clinic name, "آدرس: " + address and the contact text.
    void applyClinic(bool showLogo, const QImage& logo, const QString& name, const QString& address,
                     const QString& contactText);

    const Report::Document& document() const { return *m_doc; }
    int rowCount() const { return int(m_doc->rows.size()); }

    // The document to preview (app/ReportPreview.h), shared with the preview window.
    std::shared_ptr<const Report::Document> sharedDocument() const { return m_doc; }
    bool writePdf(const QString& path, QString* error = nullptr) const;

    // The full print of all subjects of the program folder with the stored clinic data:
    // what meravel-cli writes.
    static bool writeAllSubjectsPdf(const ClinicData& clinic, const QString& path, QString* error = nullptr);

private:
    std::shared_ptr<Report::Document> m_doc;
};
