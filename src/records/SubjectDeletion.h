#pragma once
#include <QString>

// Deletion of a subject from the look-up window, without windows.
namespace SubjectDeletion {
// Whether S2 holds a row for the code (the window's existence check).
bool hasAnswerRow(const QString& code, QString* error = nullptr);
// Deletes the first row with the code of IDE, S2, S1, S3 and S4, all in one transaction:
// when any of them has no such row or a delete fails, nothing is deleted and *error says why.
bool remove(const QString& code, QString* error = nullptr);
} // namespace SubjectDeletion
