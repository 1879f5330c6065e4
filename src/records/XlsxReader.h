#pragma once
// Office Open XML (.xlsx, .xlsm): the workbook part, its sheets and the cells of one sheet.
#include "records/WorkbookInternal.h"
#include "records/ZipArchive.h"

namespace Workbook {

struct OoxmlBook {
    QString workbookPart;
    QString sharedStringsPart;
    QList<QPair<QString, QString>> sheets; // name -> part

    bool load(const ZipArchive& zip, QString* error);
};

bool readOoxmlCells(const ZipArchive& zip, const OoxmlBook& book, const QString& sheetPart, const Wanted& wanted,
                    QHash<QString, QString>* values, TextBudget& budget, QString* error);

} // namespace Workbook
