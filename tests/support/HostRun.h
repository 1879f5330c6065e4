#pragma once
#include "HostPath.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QThread>
#include <QUuid>

// Runs a program of the build machine for a test (python3 with its spreadsheet libraries,
// poppler's pdftotext and pdfinfo) and keeps what it printed. Natively the program is
// started as it is. A Windows test under wine hands it to the Windows pass's host runner
// (scripts/windows/host-runner.py, watching the folder named by MERAVEL_HOST_RUNNER), which
// runs it on the Linux side: wine starts such programs, but its pipes to them lose output.
// Paths in the arguments and the input are the host's names (hostPath()).
namespace HostRun {
struct Result {
    bool ran = false; // started and ended within the time limit
    int exit = -1;
    QByteArray out, err;
    bool ok() const { return ran && exit == 0; }
};

inline Result run(const QString& program, const QStringList& args, const QByteArray& input = QByteArray(),
                  int timeoutMs = 120000)
{
    Result r;
    const QString runner = qEnvironmentVariable("MERAVEL_HOST_RUNNER");
    if (underWine() && !runner.isEmpty()) {
        // A job file, renamed into place when whole; the answer comes the same way.
        const QString id = QDir(runner).filePath(QUuid::createUuid().toString(QUuid::WithoutBraces));
        QFile job(id + ".tmp");
        if (!job.open(QIODevice::WriteOnly))
            return r;
        job.write(QJsonDocument(QJsonObject{{"program", program},
                                            {"args", QJsonArray::fromStringList(args)},
                                            {"input", QString::fromLatin1(input.toBase64())}})
                      .toJson());
        job.close();
        if (!QFile::rename(id + ".tmp", id + ".job"))
            return r;
        QDeadlineTimer deadline(timeoutMs);
        QFile done(id + ".done");
        while (!done.exists() && !deadline.hasExpired())
            QThread::msleep(20);
        if (!done.open(QIODevice::ReadOnly))
            return r;
        const QJsonObject answer = QJsonDocument::fromJson(done.readAll()).object();
        done.close();
        done.remove();
        r.ran = answer.value("ran").toBool();
        r.exit = answer.value("exit").toInt(-1);
        r.out = QByteArray::fromBase64(answer.value("out").toString().toLatin1());
        r.err = QByteArray::fromBase64(answer.value("err").toString().toLatin1());
        return r;
    }
    QProcess p;
    p.start(program, args);
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    r.ran = p.waitForFinished(timeoutMs) && p.exitStatus() == QProcess::NormalExit;
    r.exit = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    if (!r.ran)
        r.err += p.errorString().toUtf8();
    return r;
}
// Whether the program is there to be run (poppler-utils is not installed everywhere).
inline bool available(const QString& program)
{
    if (underWine() && !qEnvironmentVariableIsEmpty("MERAVEL_HOST_RUNNER"))
        return run(program, {"-v"}, QByteArray(), 60000).ran;
    return !QStandardPaths::findExecutable(program).isEmpty();
}
} // namespace HostRun
