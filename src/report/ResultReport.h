#pragma once
#include "report/BandedReport.h"
#include "scoring/Scoring.h"

#include <QImage>
#include <QString>
#include <memory>

struct ClinicData;

// The result report of one subject: the title and logo, the subject line, the score table,
// the stream scores, the type code and the description table, with the clinic's address and
// contact lines in the page footer, and under it all the profile chart with the indices and
// the answer-quality note (the report footer, on the same page). Every value is the text the
// scoring window shows.
class ResultReport {
public:
    ResultReport();

    // The print step: copies the shown texts into the labels, with "آدرس: " + address and
    // the contact text in the page footer.
    void fill(const Scoring::Shown& shown, const QString& address, const QString& contactText);
    void setLogo(const QImage& logo);
    // Logo only when the show-logo setting is on, then fill().
    void prepare(const Scoring::Shown& shown, bool showLogo, const QImage& logo, const QString& address,
                 const QString& contactText);

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
    std::shared_ptr<Report::Document> m_doc;
};
