#pragma once
#include "HostRun.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QStringList>

// Reads a written .xlsx back with a library other than ours (python3-openpyxl, installed by
// scripts/setup.sh) and returns what a spreadsheet user would see, as JSON:
//   {"sheets": n, "rtl": bool, "freeze": "A2", "filter": "A1:AP5",
//    "widths": {"A": 12.5, ...},
//    "rows": [[null | {"v": value, "t": "s"|"n", "f": number format, "font": name, "bold": b}, ...], ...]}
// An empty object with "error" when the file cannot be read.
namespace OpenpyxlReader {

inline const char* script()
{
    return R"PY(
import json, sys
import openpyxl
try:
    wb = openpyxl.load_workbook(sys.argv[1])
except Exception as e:
    print(json.dumps({"error": str(e)}))
    sys.exit(0)
ws = wb.worksheets[0]
rows = []
for row in ws.iter_rows():
    cells = []
    for c in row:
        if c.value is None:
            cells.append(None)
        else:
            cells.append({"v": c.value, "t": c.data_type, "f": c.number_format,
                          "font": c.font.name, "bold": bool(c.font.b)})
    rows.append(cells)
widths = {k: v.width for k, v in ws.column_dimensions.items()}
print(json.dumps({"sheets": len(wb.worksheets), "rtl": bool(ws.sheet_view.rightToLeft),
                  "freeze": ws.freeze_panes, "filter": ws.auto_filter.ref,
                  "widths": widths, "rows": rows}, ensure_ascii=False))
)PY";
}

// A python3 that has openpyxl: the one on PATH, else the system's. Empty when there is no
// python3 at all; *missing is set when python3 exists but openpyxl does not.
inline QString interpreter(bool* missing)
{
    *missing = false;
    QStringList candidates;
    const QString onPath = QStandardPaths::findExecutable("python3");
    if (!onPath.isEmpty())
        candidates << onPath;
    if (QFile::exists("/usr/bin/python3"))
        candidates << "/usr/bin/python3";
    for (const QString& python : candidates) {
        if (HostRun::run(python, {"-c", "import openpyxl"}, QByteArray(), 60000).ok())
            return python;
    }
    *missing = !candidates.isEmpty();
    return {};
}

inline QJsonObject read(const QString& python, const QString& path)
{
    const HostRun::Result r = HostRun::run(python, {"-c", script(), hostPath(path)});
    if (!r.ok())
        return {{"error", QString::fromUtf8(r.err)}};
    return QJsonDocument::fromJson(r.out).object();
}

// Row r (0 = header), cell c of a read workbook; null when empty or missing.
inline QJsonValue cell(const QJsonObject& book, int r, int c)
{
    const QJsonArray row = book["rows"].toArray().at(r).toArray();
    return c < row.size() ? row.at(c) : QJsonValue();
}
} // namespace OpenpyxlReader

// Skips the test when there is no python3; fails it when python3 lacks openpyxl.
#define OPENPYXL_OR_SKIP(python)                                                                                       \
    QString python;                                                                                                    \
    {                                                                                                                  \
        bool missing_ = false;                                                                                         \
        python = OpenpyxlReader::interpreter(&missing_);                                                               \
        if (python.isEmpty()) {                                                                                        \
            if (missing_)                                                                                              \
                QFAIL("python3 has no openpyxl: run scripts/setup.sh (python3-openpyxl)");                             \
            QSKIP("no python3 to read the workbook back");                                                             \
        }                                                                                                              \
    }
