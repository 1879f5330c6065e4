#include "records/XlsHelperClient.h"

#include "data/ProgramFolder.h"
#include "records/XlsProtocol.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>

#include <freexl.h>

#include <cctype>
#include <limits>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif
#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

using namespace Workbook;

namespace {
#ifdef Q_OS_WIN
// The POSIX limits' twin on Windows: a job object that caps the helper's memory and processor
// time, and ends it and whatever it started when the job's handle closes (when the reader
// stops waiting for it). The helper is started suspended and let run only once it is in the
// job, so not one instruction of it runs without the limits.
class HelperJob {
public:
    HelperJob(const PROCESS_INFORMATION& started, qint64 cpuMilliseconds)
    {
        m_job = CreateJobObjectW(nullptr, nullptr);
        if (m_job)
            limit(started.hProcess, cpuMilliseconds);
        ResumeThread(started.hThread);
    }
    ~HelperJob()
    {
        if (m_job)
            CloseHandle(m_job);
    }
    HelperJob(const HelperJob&) = delete;
    HelperJob& operator=(const HelperJob&) = delete;

private:
    void limit(HANDLE process, qint64 cpuMilliseconds)
    {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_PROCESS_MEMORY | JOB_OBJECT_LIMIT_PROCESS_TIME
            | JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;
        limits.ProcessMemoryLimit = SIZE_T(WorkbookReader::BiffHelperMemoryBytes);
        limits.BasicLimitInformation.PerProcessUserTimeLimit.QuadPart = cpuMilliseconds * 10000; // 100 ns units
        SetInformationJobObject(m_job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        AssignProcessToJobObject(m_job, process);
    }

    HANDLE m_job = nullptr;
};
#endif

QString biffRefusal(int code)
{
    return code == FREEXL_BIFF_PASSWORD ? QStringLiteral("the workbook is protected by a password")
                                        : Damaged + " (" + QString::number(code) + ")";
}

bool parseHexText(const QByteArray& hex, QString* text)
{
    if (hex.size() % 2)
        return false;
    for (char c : hex)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    *text = QString::fromUtf8(QByteArray::fromHex(hex));
    return true;
}

bool parseInt(const QByteArray& s, qint64 low, qint64 high, qint64* out)
{
    bool ok = false;
    const qint64 v = s.toLongLong(&ok);
    if (!ok || v < low || v > high)
        return false;
    *out = v;
    return true;
}

bool parseCell(const QList<QByteArray>& f, WorkbookReader::BiffReply* reply)
{
    qint64 row = 0, column = 0;
    if (f.size() < 4 || f.size() > 5 || !parseInt(f[1], 1, XlsProtocol::MaxRow, &row) || !parseInt(f[2], 1, XlsProtocol::MaxColumn, &column)
        || f[3].size() != 1)
        return false;
    const char kind = f[3][0];
    const bool hasValue = f.size() == 5;
    QString text;
    if (kind == 'E' && !hasValue) {
        // empty cell
    } else if (kind == 'T' && hasValue) {
        if (!parseHexText(f[4], &text))
            return false;
    } else if (kind == 'I' && hasValue) {
        qint64 v = 0;
        if (!parseInt(f[4], std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), &v))
            return false;
        text = QString::number(v);
    } else if (kind == 'D' && hasValue) {
        double v = 0;
        if (f[4] == "inf") {
            v = std::numeric_limits<double>::infinity();
        } else if (f[4] == "-inf") {
            v = -std::numeric_limits<double>::infinity();
        } else if (f[4] == "nan" || f[4] == "-nan") {
            v = std::numeric_limits<double>::quiet_NaN();
        } else {
            bool ok = false;
            v = f[4].toDouble(&ok);
            if (!ok)
                return false;
        }
        text = WorkbookReader::numberText(v);
    } else {
        return false;
    }
    reply->cells.append({{int(row), int(column)}, text});
    return true;
}
} // namespace

bool WorkbookReader::parseBiffReply(const QByteArray& output, bool sheetList, int maxCells, BiffReply* reply)
{
    *reply = BiffReply();
    if (output.size() > MaxBiffReplyBytes || !output.startsWith(QByteArray(XlsProtocol::FirstLine) + '\n')
        || !output.endsWith('\n' + QByteArray(XlsProtocol::LastLine) + '\n'))
        return false;
    const QList<QByteArray> lines = output.chopped(1).split('\n');
    for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
        const QList<QByteArray> f = lines[i].split(' ');
        if (f[0] == "X" && f.size() == 2 && lines.size() == 3) {
            qint64 code = 0;
            if (!parseInt(f[1], std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), &code) || code == 0)
                return false;
            reply->refusal = int(code);
        } else if (sheetList && f[0] == "S" && f.size() == 2 && reply->sheets.size() <= 0xFFFF) {
            QString name;
            if (!parseHexText(f[1], &name))
                return false;
            reply->sheets.append(name);
        } else if (!sheetList && f[0] == "C" && reply->cells.size() < maxCells) {
            if (!parseCell(f, reply))
                return false;
        } else {
            return false;
        }
    }
    return true;
}

namespace {
QString& biffHelperProgram()
{
    static QString program;
    return program;
}
int& biffHelperTimeout()
{
    static int ms = WorkbookReader::DefaultBiffTimeoutMs;
    return ms;
}
} // namespace

bool Workbook::runXlsHelper(const QString& path, int sheet, const QList<QPair<int, int>>& cells,
                            WorkbookReader::BiffReply* reply, QString* error)
{
    const QString program = WorkbookReader::biffHelper();
    if (program.isEmpty()) {
        setError(error, QStringLiteral("the .xls reader meravel-xls is missing"));
        return false;
    }
    QStringList args{path};
    if (sheet >= 0)
        args << QString::number(sheet);
    QProcess p;
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.setStandardErrorFile(QProcess::nullDevice());
#ifdef Q_OS_UNIX
    // Besides the time limit, the helper gets a memory and a processor-time limit of its own,
    // so a crafted file cannot make it take the machine's memory while it is waited for.
    const rlim_t cpuSeconds = rlim_t(biffHelperTimeout() / 1000 + 1);
    p.setChildProcessModifier([cpuSeconds] {
        const rlimit cpu{cpuSeconds, cpuSeconds + 1};
        ::setrlimit(RLIMIT_CPU, &cpu);
#ifndef MERAVEL_SANITIZED // the sanitizers reserve far more address space than they use
        const rlimit memory{rlim_t(WorkbookReader::BiffHelperMemoryBytes),
                            rlim_t(WorkbookReader::BiffHelperMemoryBytes)};
        ::setrlimit(RLIMIT_AS, &memory);
#endif
    });
#endif
#ifdef Q_OS_WIN
    // QProcess fills this in as it creates the process and keeps it while the process runs.
    const PROCESS_INFORMATION* started = nullptr;
    p.setCreateProcessArgumentsModifier([&started](QProcess::CreateProcessArguments* a) {
        a->flags |= CREATE_SUSPENDED;
        started = a->processInformation;
    });
#endif
    p.start(program, args);
    if (!p.waitForStarted()) {
        setError(error, QStringLiteral("the .xls reader cannot be started: ") + p.errorString());
        return false;
    }
#ifdef Q_OS_WIN
    const HelperJob job(*started, biffHelperTimeout() + 1000);
#endif
    if (sheet >= 0) {
        QByteArray request;
        for (const auto& c : cells)
            request += QByteArray::number(c.first) + ' ' + QByteArray::number(c.second) + '\n';
        p.write(request);
    }
    p.closeWriteChannel();

    QDeadlineTimer deadline(biffHelperTimeout());
    QByteArray output;
    bool tooLong = false;
    while (p.state() != QProcess::NotRunning && !deadline.hasExpired() && !tooLong) {
        // A helper that closed its output but runs on is waited for in short steps.
        if (!p.waitForReadyRead(int(qBound<qint64>(1, deadline.remainingTime(), qint64(1000)))))
            p.waitForFinished(int(qBound<qint64>(1, deadline.remainingTime(), qint64(50))));
        output += p.readAllStandardOutput();
        tooLong = output.size() > WorkbookReader::MaxBiffReplyBytes;
    }
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished(5000);
        setError(error, Damaged + (tooLong ? QStringLiteral(": the .xls reader wrote too much")
                                           : QStringLiteral(": the .xls reader took too long")));
        return false;
    }
    output += p.readAllStandardOutput();
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        setError(error, Damaged + QStringLiteral(": the .xls reader failed on it"));
        return false;
    }
    if (!WorkbookReader::parseBiffReply(output, sheet < 0, int(cells.size()), reply)) {
        setError(error, Damaged + QStringLiteral(": the .xls reader gave no sound answer"));
        return false;
    }
    if (reply->refusal) {
        setError(error, biffRefusal(reply->refusal));
        return false;
    }
    return true;
}

void WorkbookReader::setBiffHelper(const QString& program, int timeoutMs)
{
    biffHelperProgram() = program;
    biffHelperTimeout() = timeoutMs;
}

QString WorkbookReader::biffHelper()
{
    if (!biffHelperProgram().isEmpty())
        return biffHelperProgram();
    const QString set = qEnvironmentVariable("MERAVEL_XLS_HELPER");
    if (!set.isEmpty())
        return set;
    // Beside the running program (portable mode), else where an installed program keeps it.
    if (!QCoreApplication::instance())
        return QString();
    return ProgramFolder::helperProgram(QStringLiteral("meravel-xls"));
}
