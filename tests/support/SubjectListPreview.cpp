#include "SubjectListPreview.h"

#include "app/ReportPreview.h"
#include "report/SubjectListReport.h"

#include <QPrintPreviewDialog>
#include <QtTest>

#include <memory>

QPrintPreviewDialog* previewAllSubjects(QWidget* owner)
{
    auto report = std::make_shared<SubjectListReport>();
    if (!report->setDataSourceAllSubjects())
        return nullptr;
    Report::preview(report->sharedDocument(), owner);
    auto* preview = owner->findChild<QPrintPreviewDialog*>();
    return preview && QTest::qWaitForWindowExposed(preview) ? preview : nullptr;
}
