#pragma once
// The protocol between the workbook reader and its .xls helper meravel-xls, and the limits
// both sides keep. Plain C++ only: the helper links nothing but the C library and FreeXL.
//
// FreeXL, which reads .xls files, is not safe against crafted files, so it runs in the helper
// (XlsHelper.cpp), started by the reader (XlsHelperClient.cpp):
//   meravel-xls FILE          answers the sheet names
//   meravel-xls FILE INDEX    answers the cells of sheet INDEX (from 0) asked for on stdin,
//                             one "ROW COLUMN" pair (both from 1) a line
// The answer is text, one item a line, and is trusted no further than the reader checks it:
//   meravel-xls 1                first line
//   S <hex UTF-8>                a sheet name (sheet list)
//   C <row> <col> I <int>        a cell: whole number,
//   C <row> <col> D <double>     number,
//   C <row> <col> T <hex UTF-8>  text (also dates and times as FreeXL writes them),
//   C <row> <col> E              empty
//   X <FreeXL code>              the file was refused
//   end                          last line (a cut-off answer has none)
#include <cstddef>

namespace XlsProtocol {

constexpr char FirstLine[] = "meravel-xls 1";
constexpr char LastLine[] = "end";

constexpr long long MaxRow = 1048576;
constexpr long long MaxColumn = 16384;
// Rows x columns of all the sheets of one file: the helper refuses larger workbooks.
constexpr long long MaxCells = 4LL * 1024 * 1024;
// Cell requests the helper reads from one run's input.
constexpr std::size_t MaxRequests = std::size_t(1) << 20;
// The whole answer the reader accepts.
constexpr long long MaxReplyBytes = 64LL * 1024 * 1024;
// The reader's time limit for one run of the helper.
constexpr int DefaultTimeoutMs = 30000;

} // namespace XlsProtocol
