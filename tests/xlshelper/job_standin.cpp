/* A stand-in for the .xls helper on Windows that reports on the job object the reader puts it
 * in, chosen by MERAVEL_JOB_STANDIN:
 *   limits    names its job's limits as its one sheet: "<memory KiB> <processor seconds> kill"
 *             ("kill" when the job ends its processes as its handle closes)
 *   allocate  tries to commit 1.5 GiB, more than the job allows: "refused" or "granted"
 *   spawn     starts a copy of itself that sleeps, writes that copy's process id to the file
 *             named by MERAVEL_JOB_STANDIN_OUT, and sleeps (the reader's time limit ends it)
 *   sleep     sleeps
 * Each first checks that it is in a job already: otherwise its one sheet is "no job". */
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

static void answer(const char* sheet)
{
    printf("meravel-xls 1\nS ");
    for (const char* c = sheet; *c; ++c)
        printf("%02x", (unsigned char)*c);
    printf("\nend\n");
    fflush(stdout);
}

// The reader starts the helper suspended and lets it run once it is in the job: it is in the
// job from its first instruction on.
static int inJob(void)
{
    BOOL in = FALSE;
    return IsProcessInJob(GetCurrentProcess(), NULL, &in) && in;
}

int main(void)
{
    const char* mode = getenv("MERAVEL_JOB_STANDIN");
    _setmode(_fileno(stdout), _O_BINARY); // lines end in a line feed alone, as the helper's
    if (!mode)
        return 3;
    if (!strcmp(mode, "sleep")) {
        Sleep(INFINITE);
        return 0;
    }
    if (!inJob()) {
        answer("no job");
        return 0;
    }
    if (!strcmp(mode, "limits")) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION info;
        char sheet[128];
        memset(&info, 0, sizeof info);
        if (!QueryInformationJobObject(NULL, JobObjectExtendedLimitInformation, &info, sizeof info, NULL)) {
            answer("no limits");
            return 0;
        }
        const DWORD flags = info.BasicLimitInformation.LimitFlags;
        snprintf(sheet, sizeof sheet, "%llu %lld%s",
                 (flags & JOB_OBJECT_LIMIT_PROCESS_MEMORY) ? (unsigned long long)info.ProcessMemoryLimit / 1024 : 0ULL,
                 (flags & JOB_OBJECT_LIMIT_PROCESS_TIME)
                     ? (long long)(info.BasicLimitInformation.PerProcessUserTimeLimit.QuadPart / 10000000)
                     : 0LL,
                 (flags & JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE) ? " kill" : "");
        answer(sheet);
        return 0;
    }
    if (!strcmp(mode, "allocate")) {
        void* p = VirtualAlloc(NULL, (SIZE_T)1536 * 1024 * 1024, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        answer(p ? "granted" : "refused");
        return 0;
    }
    if (!strcmp(mode, "spawn")) {
        wchar_t self[MAX_PATH];
        STARTUPINFOW si;
        PROCESS_INFORMATION pi;
        const char* out = getenv("MERAVEL_JOB_STANDIN_OUT");
        memset(&si, 0, sizeof si);
        si.cb = sizeof si;
        GetModuleFileNameW(NULL, self, MAX_PATH);
        SetEnvironmentVariableW(L"MERAVEL_JOB_STANDIN", L"sleep");
        if (!out || !CreateProcessW(self, NULL, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
            return 4;
        FILE* f = fopen(out, "w");
        if (f) {
            fprintf(f, "%lu\n", (unsigned long)pi.dwProcessId);
            fclose(f);
        }
        Sleep(INFINITE);
    }
    return 5;
}
