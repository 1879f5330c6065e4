#pragma once
#include "report/BandedReport.h"
#include "scoring/NormTable.h"
#include "scoring/Scoring.h"

#include <memory>

// The one-page comparison of two administrations, «مقایسه‌ی دو اجرا»: who and when, both
// profiles overlaid on one chart, per type the two totals, the difference, the reliable-change
// index and its flag, then the agreement of the two codes and where the SEMs came from. Every
// value is the text the scoring window shows.
class RetestReport {
public:
    RetestReport();

    void fill(const Scoring::Shown& first, const Scoring::Shown& second, const NormTable::ShownRetest& retest);

    const Report::Document& document() const { return *m_doc; }
    QString caption(const QString& label) const;
    std::shared_ptr<const Report::Document> sharedDocument() const { return m_doc; }
    bool writePdf(const QString& path, QString* error = nullptr) const;

private:
    std::shared_ptr<Report::Document> m_doc;
};
