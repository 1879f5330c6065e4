#pragma once
// OpenDocument spreadsheets (.ods): the sheet names and the cells of one sheet, from the
// archive's content.xml.
#include "records/WorkbookInternal.h"

namespace Workbook {

// Reads the sheet names into *names (when given) and, when wanted is given, the wanted cells
// of the sheet of that name into *values; *found tells whether that sheet exists.
bool readOdsSheets(const QByteArray& content, QStringList* names, const QString& sheet, const Wanted* wanted,
                   QHash<QString, QString>* values, bool* found, QString* error, TextBudget* budget = nullptr);

} // namespace Workbook
