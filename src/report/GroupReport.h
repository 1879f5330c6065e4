#pragma once
#include "report/BandedReport.h"
#include "scoring/GroupSummary.h"

#include <QImage>
#include <QString>
#include <memory>

struct ClinicData;

// The group summary report: under the clinic header, the number of subjects (answered and not
// answered), the leading types as bars with counts and percentages, the ten most frequent
// type codes, the mean and standard deviation of each raw total, the mean stream scores and
// the consistency counts; the clinic's address and contact lines in the page footer. One page.
class GroupReport {
public:
    GroupReport();

    void fill(const GroupSummary::Summary& summary, const QString& selectionText);
    // Logo only when the show-logo setting is on; the clinic name; "آدرس: " + address.
    void applyClinic(bool showLogo, const QImage& logo, const QString& name, const QString& address,
                     const QString& contactText);

    const Report::Document& document() const { return *m_doc; }
    QString caption(const QString& label) const; // a label of any band

    // The document to preview (app/ReportPreview.h), shared with the preview window.
    std::shared_ptr<const Report::Document> sharedDocument() const { return m_doc; }
    bool writePdf(const QString& path, QString* error = nullptr) const;

    // The selection in words ("همه آزمودنی‌ها" when nothing narrows it).
    static QString describe(const GroupSummary::Selection& selection);
    // Summarises the selected subjects of the current program folder and writes the report
    // with the stored clinic data (meravel-cli).
    static bool writeGroupPdf(const GroupSummary::Selection& selection, const ClinicData& clinic, const QString& path,
                              QString* error = nullptr);

private:
    std::shared_ptr<Report::Document> m_doc;
};
