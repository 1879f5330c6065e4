#pragma once
#include <QtGlobal>

#ifndef Q_OS_WIN
#include <csignal>
#include <sys/resource.h>

// Makes writes past `bytes` fail the way a full disk does (EFBIG instead of ENOSPC) while it
// lives: a file-size limit, with SIGXFSZ ignored so the write returns its error instead.
// POSIX only; Windows has no such limit.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_set = getrlimit(RLIMIT_FSIZE, &m_saved) == 0;
        m_previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = m_saved;
        small.rlim_cur = bytes;
        m_set = m_set && setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit()
    {
        if (m_set)
            setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_previous);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool isSet() const { return m_set; }

private:
    rlimit m_saved{};
    void (*m_previous)(int) = SIG_DFL;
    bool m_set = false;
};
#endif
