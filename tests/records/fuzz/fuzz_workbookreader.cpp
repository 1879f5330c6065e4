// libFuzzer target for the workbook reader: any bytes, opened as a workbook, then the answer
// cells read from every sheet. Built with clang (-fsanitize=fuzzer,address,undefined) when
// clang is present; the same entry point replays the corpus in the ordinary test run.
#include "records/WorkbookReader.h"

#include <QHash>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QStringList cells = [] {
        QStringList list{"Z3", "A1", "XFD1048576"};
        for (int row = 3; row <= 249; ++row)
            list << "C" + QString::number(row);
        return list;
    }();
    // BIFF files are read by the helper process meravel-xls (FreeXL, whose string conversion
    // over-reads its stack buffer on crafted records: found by this target); a crash there
    // only makes the workbook unreadable, and one process start per input would leave the
    // fuzzer measuring start-ups. What runs in the program is the parser of the helper's
    // answer, so inputs shaped like an answer go to it.
    static const char ole[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    if (size >= 8 && memcmp(data, ole, 8) == 0)
        return 0;
    if (size >= 12 && memcmp(data, "meravel-xls", 11) == 0) {
        const QByteArray answer(reinterpret_cast<const char*>(data), int(size));
        WorkbookReader::BiffReply reply;
        WorkbookReader::parseBiffReply(answer, true, 300, &reply);
        WorkbookReader::parseBiffReply(answer, false, 300, &reply);
        return 0;
    }
    WorkbookReader reader;
    QString error;
    if (!reader.openData(QByteArray(reinterpret_cast<const char*>(data), int(size)), &error))
        return 0;
    for (const QString& sheet : reader.sheetNames()) {
        QHash<QString, QString> values;
        reader.readCells(sheet, cells, &values, &error);
    }
    QHash<QString, QString> values;
    reader.readCells("Answers", cells, &values, &error);
    return 0;
}
