// Preloaded (LD_PRELOAD) into a process under the crash test: counts the statement steps that
// SQLite is asked to run and kills the process with SIGKILL just before step
// MERAVEL_KILL_AT_STEP. With MERAVEL_STEP_REPORT set, the number of steps run is written to
// stderr at a normal exit, so the test knows how many moments there are to kill at.
#include <dlfcn.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>

struct sqlite3_stmt;

namespace {
using StepFn = int (*)(sqlite3_stmt*);
long g_steps = 0;

long envNumber(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::strtol(v, nullptr, 10) : 0;
}

struct Report {
    ~Report()
    {
        if (std::getenv("MERAVEL_STEP_REPORT"))
            std::fprintf(stderr, "steps=%ld\n", g_steps);
    }
} g_report;

// SQLite comes in with Qt's database plug-in, loaded privately after this library, so it is
// looked up by name when the next one does not have it.
StepFn realStep()
{
    void* f = dlsym(RTLD_NEXT, "sqlite3_step");
    if (!f)
        if (void* lib = dlopen("libsqlite3.so.0", RTLD_NOW | RTLD_NOLOAD))
            f = dlsym(lib, "sqlite3_step");
    if (!f)
        std::abort();
    return reinterpret_cast<StepFn>(f);
}
} // namespace

extern "C" int sqlite3_step(sqlite3_stmt* statement)
{
    static const StepFn real = realStep();
    static const long killAt = envNumber("MERAVEL_KILL_AT_STEP");
    if (++g_steps == killAt)
        std::raise(SIGKILL);
    return real(statement);
}
