#pragma once
#include "report/BandedReport.h"
#include "scoring/NormTable.h"
#include "scoring/Scoring.h"

#include <QImage>
#include <QString>
#include <memory>

struct ClinicData;

// What the result report prints beyond the scores, as the scoring window shows it: under the
// score table the norm rows (percentile rank, T and the band of one SEM per type) with the
// table, the cell and its N named, when a table is chosen; the congruence with an aspiration
// code, when one was typed; and whether the chart draws percentile ranks.
struct ResultReportExtras {
    NormTable::ShownNorms norms;
    QString congruence;
    bool percentileChart = false; // drawn only when all six percentile ranks are there
};

// The result report of one subject: the title and logo, the subject line, the score table,
// the stream scores, the type code and the description table, with the clinic's address and
// contact lines in the page footer, and under it all the profile chart with the indices and
// the answer-quality note (the report footer, on the same page). Every value is the text the
// scoring window shows.
class ResultReport {
public:
    using Extras = ResultReportExtras;

    ResultReport();

    // The print step: copies the shown texts into the labels, with "آدرس: " + address and
    // the contact text in the page footer.
    void fill(const Scoring::Shown& shown, const QString& address, const QString& contactText,
              const Extras& extras = Extras());
    void setLogo(const QImage& logo);
    // Logo only when the show-logo setting is on, then fill().
    void prepare(const Scoring::Shown& shown, bool showLogo, const QImage& logo, const QString& address,
                 const QString& contactText, const Extras& extras = Extras());

    const Report::Document& document() const { return *m_doc; }
    QString caption(const QString& label) const; // a label of the detail band or a footer

    // The document to preview (app/ReportPreview.h), shared with the preview window.
    std::shared_ptr<const Report::Document> sharedDocument() const { return m_doc; }
    bool writePdf(const QString& path, QString* error = nullptr) const;

    // Scores the stored subject C as the scoring window does and writes its result report
    // with the stored clinic data (meravel-cli). A code that is not registered gives the
    // scoring window's message and no file.
    static bool writeSubjectPdf(const QString& code, const ClinicData& clinic, const QString& path,
                                QString* message = nullptr);

private:
    // Adds the norm rows and the aspiration line under the score table and moves the
    // description table down, its rows shorter, so the page stays one page.
    void placeExtras(const Extras& extras);

    std::shared_ptr<Report::Document> m_doc;
    bool m_extrasPlaced = false;
};
