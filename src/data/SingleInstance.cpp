#include "data/SingleInstance.h"

#include "data/ProgramFolder.h"

SingleInstance::SingleInstance()
    : m_lock(std::make_unique<QLockFile>(ProgramFolder::file("meravel.lock")))
{
    // A lock left by a crashed program is taken over: its process no longer exists.
    m_lock->setStaleLockTime(0);
}

bool SingleInstance::acquire() { return m_lock->tryLock(0) || m_lock->error() != QLockFile::LockFailedError; }
