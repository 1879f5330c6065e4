#pragma once
#include "report/BandedReport.h"

#include <functional>
#include <memory>

class QWidget;

namespace Report {

// Shows the report in a print preview window (not modal) from which the user prints, sets up
// the page or saves a PDF. Tests replace the window with an interceptor.
void preview(std::shared_ptr<const Document> doc, QWidget* parent);
using PreviewInterceptor = std::function<void(const Document&)>;
void setPreviewInterceptor(PreviewInterceptor interceptor); // empty: the real window

} // namespace Report
