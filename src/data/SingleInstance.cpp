#include "data/SingleInstance.h"

#include "data/ProgramFolder.h"

#include <QCoreApplication>
#include <QSet>
#include <QSysInfo>

namespace {
// The lock files this process holds. A lock naming this process but held by none of its
// objects was left by an earlier process that had the same number: Windows gives numbers out
// again, and under wine the first processes of a session get the same ones every time.
QSet<QString>& heldHere()
{
    static QSet<QString> held;
    return held;
}

// The machine a lock file names: Qt writes the host name, on Windows the COMPUTERNAME variable
// (in capitals, where the host name may not be).
bool isThisMachine(const QString& host)
{
    return !host.isEmpty()
        && (host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) == 0
            || host.compare(qEnvironmentVariable("COMPUTERNAME"), Qt::CaseInsensitive) == 0);
}
} // namespace

SingleInstance::SingleInstance()
    : m_path(ProgramFolder::file("meravel.lock"))
    , m_lock(std::make_unique<QLockFile>(m_path))
{
    // A lock left by a crashed program is taken over: its process no longer exists.
    m_lock->setStaleLockTime(0);
}

SingleInstance::~SingleInstance()
{
    if (m_lock->isLocked())
        heldHere().remove(m_path);
}

bool SingleInstance::acquire()
{
    if (m_lock->tryLock(0)) {
        heldHere().insert(m_path);
        return true;
    }
    if (m_lock->error() != QLockFile::LockFailedError)
        return true;
    qint64 pid = 0;
    QString host, application;
    if (m_lock->getLockInfo(&pid, &host, &application) && pid == QCoreApplication::applicationPid()
        && isThisMachine(host) && !heldHere().contains(m_path) && m_lock->removeStaleLockFile() && m_lock->tryLock(0)) {
        heldHere().insert(m_path);
        return true;
    }
    return false;
}
