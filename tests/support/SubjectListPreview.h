#pragma once

class QPrintPreviewDialog;
class QWidget;

// The list of every subject opened in the program's print preview, a child of `owner`: the
// preview once it shows, or nullptr when the list could not be read or the preview did not show.
QPrintPreviewDialog* previewAllSubjects(QWidget* owner);
