#pragma once
// The client side of the .xls reader's helper process: runs meravel-xls on a file and parses
// its answer (the protocol is in XlsProtocol.h).
#include "records/WorkbookInternal.h"

namespace Workbook {

// Runs the helper on the file (sheet < 0: the sheet list) and parses its answer; a helper
// that cannot start, crashes, overruns its time or writes anything unexpected leaves the
// workbook unreadable.
bool runXlsHelper(const QString& path, int sheet, const QList<QPair<int, int>>& cells,
                  WorkbookReader::BiffReply* reply, QString* error);

} // namespace Workbook
