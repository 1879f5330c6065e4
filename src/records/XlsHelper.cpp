// meravel-xls: reads a BIFF (.xls) workbook with FreeXL in a process of its own, so that a
// crafted file that upsets FreeXL can at worst end this process, never the program. The
// workbook reader (XlsHelperClient.cpp) runs it and reads its answer; the protocol and its
// limits are in XlsProtocol.h. Only the C and FreeXL libraries are used, so it starts in a
// moment.
//
//   meravel-xls FILE          the sheet names
//   meravel-xls FILE INDEX    the cells of sheet INDEX (from 0) asked for on stdin, one
//                             "ROW COLUMN" pair (both from 1) a line
#include "records/XlsProtocol.h"

#include <freexl.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>

// FreeXL opens its file with fopen, which on Windows reads a path in the ANSI code page: a
// workbook under C:\Users\<a Persian name>\ could not be opened. This program's file references
// to fopen are wrapped at link time (-Wl,--wrap=fopen): the path it hands FreeXL is UTF-8 and
// is opened through the wide-character call.
extern "C" FILE* __wrap_fopen(const char* path, const char* mode)
{
    std::wstring wide(std::strlen(path) + 1, L'\0');
    std::wstring wideMode(std::strlen(mode) + 1, L'\0');
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, wide.data(), int(wide.size())) <= 0
        || MultiByteToWideChar(CP_UTF8, 0, mode, -1, wideMode.data(), int(wideMode.size())) <= 0) {
        errno = ENOENT;
        return nullptr;
    }
    return _wfopen(wide.c_str(), wideMode.c_str());
}
extern "C" FILE* __wrap_fopen64(const char* path, const char* mode) { return __wrap_fopen(path, mode); }
#endif

namespace {
using XlsProtocol::MaxCells;
using XlsProtocol::MaxRequests;

struct Handle {
    const void* h = nullptr;
    ~Handle()
    {
        if (h)
            freexl_close(h);
    }
};

void hex(const char* text)
{
    static const char digits[] = "0123456789abcdef";
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        std::putchar(digits[*p >> 4]);
        std::putchar(digits[*p & 15]);
    }
}

int fail(int code)
{
    std::printf("X %d\n%s\n", code, XlsProtocol::LastLine);
    return 0;
}

// Opens the workbook, with the light-weight open that reads the sheets' declared dimensions
// only or with the full one, and reads its sheet count; FreeXL's code.
int openBook(const char* path, bool infoOnly, Handle* book, unsigned int* count)
{
    int rc = infoOnly ? freexl_open_info(path, &book->h) : freexl_open(path, &book->h);
    if (rc == FREEXL_OK)
        rc = freexl_get_info(book->h, FREEXL_BIFF_SHEET_COUNT, count);
    return rc;
}

bool parseNumber(const char* s, unsigned long max, unsigned long* out)
{
    if (!s || *s < '0' || *s > '9')
        return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long v = std::strtoul(s, &end, 10);
    if (errno || *end || v > max)
        return false;
    *out = v;
    return true;
}
} // namespace

int main(int argc, char** argv)
{
#ifdef _WIN32
    // The arguments as they were given (wide), in UTF-8: argv holds them in the ANSI code page.
    std::vector<std::string> utf8;
    std::vector<char*> wideArgv;
    if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &argc)) {
        for (int i = 0; i < argc; ++i) {
            const int n = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
            std::string a(size_t(n > 0 ? n : 1), '\0');
            WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, a.data(), n, nullptr, nullptr);
            utf8.push_back(a);
        }
        LocalFree(wide);
        for (std::string& a : utf8)
            wideArgv.push_back(a.data());
        wideArgv.push_back(nullptr);
        argv = wideArgv.data();
    }
    // The answer's lines end in a line feed alone, as the reader parses them: the C library's
    // text mode would write each as a carriage return and a line feed.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    if (argc != 2 && argc != 3)
        return 2;
    unsigned long sheet = 0;
    if (argc == 3 && !parseNumber(argv[2], 0xFFFF, &sheet))
        return 2;
    std::printf("%s\n", XlsProtocol::FirstLine);

    // The cell grid of every sheet is allocated at open from the dimensions the file
    // declares, so they are checked first with the light-weight open.
    {
        Handle info;
        unsigned int count = 0;
        if (const int rc = openBook(argv[1], true, &info, &count); rc != FREEXL_OK)
            return fail(rc);
        long long cells = 0;
        for (unsigned int i = 0; i < count && i <= 0xFFFF; ++i) {
            unsigned int rows = 0;
            unsigned short columns = 0;
            if (freexl_select_active_worksheet(info.h, (unsigned short)i) == FREEXL_OK
                && freexl_worksheet_dimensions(info.h, &rows, &columns) == FREEXL_OK) {
                // Checked sheet by sheet: the sum of up to 65,536 products of a 32-bit row
                // count and a 16-bit column count would overflow a 64-bit total.
                cells += (long long)rows * columns;
                if (cells > MaxCells)
                    return fail(FREEXL_INSUFFICIENT_MEMORY);
            }
        }
    }
    Handle book;
    unsigned int count = 0;
    int rc = openBook(argv[1], false, &book, &count);
    if (rc != FREEXL_OK)
        return fail(rc);

    if (argc == 2) {
        for (unsigned int i = 0; i < count && i <= 0xFFFF; ++i) {
            const char* name = nullptr;
            std::fputs("S ", stdout);
            if (freexl_get_worksheet_name(book.h, (unsigned short)i, &name) == FREEXL_OK && name)
                hex(name);
            std::putchar('\n');
        }
        std::printf("%s\n", XlsProtocol::LastLine);
        return 0;
    }

    if (sheet >= count)
        return fail(FREEXL_BIFF_ILLEGAL_SHEET_INDEX);
    if ((rc = freexl_select_active_worksheet(book.h, (unsigned short)sheet)) != FREEXL_OK)
        return fail(rc);
    unsigned int rows = 0;
    unsigned short columns = 0;
    if ((rc = freexl_worksheet_dimensions(book.h, &rows, &columns)) != FREEXL_OK)
        return fail(rc);

    char line[64];
    size_t asked = 0;
    while (std::fgets(line, sizeof line, stdin) && ++asked <= MaxRequests) {
        unsigned long r = 0, c = 0;
        char* space = std::strchr(line, ' ');
        char* newline = std::strchr(line, '\n');
        if (!space || !newline)
            return 2;
        *space = *newline = '\0';
        if (!parseNumber(line, XlsProtocol::MaxRow, &r) || !parseNumber(space + 1, XlsProtocol::MaxColumn, &c)
            || r < 1 || c < 1)
            return 2;
        std::printf("C %lu %lu ", r, c);
        FreeXL_CellValue v;
        if (r > rows || c > columns || freexl_get_cell_value(book.h, unsigned(r - 1), (unsigned short)(c - 1), &v) != FREEXL_OK) {
            std::fputs("E\n", stdout);
            continue;
        }
        switch (v.type) {
        case FREEXL_CELL_INT:
            std::printf("I %d\n", v.value.int_value);
            break;
        case FREEXL_CELL_DOUBLE:
            // Seventeen digits give back the very same double.
            std::printf("D %.17g\n", v.value.double_value);
            break;
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
        case FREEXL_CELL_DATE:
        case FREEXL_CELL_DATETIME:
        case FREEXL_CELL_TIME:
            std::fputs("T ", stdout);
            if (v.value.text_value)
                hex(v.value.text_value);
            std::putchar('\n');
            break;
        default:
            std::fputs("E\n", stdout);
            break;
        }
    }
    std::printf("%s\n", XlsProtocol::LastLine);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
