#pragma once

#include <sys/resource.h>

#include <csignal>
#include <cstdint>

// While the object lives, no regular file of the process may grow past
// nBytes: a write beyond that fails as it would on a full disk (EFBIG instead
// of ENOSPC), whoever runs the test, root included. The signal that such a
// write raises is ignored, so the writer sees the failed write.
class CFileSizeLimit {
public:
    explicit CFileSizeLimit(uint64_t nBytes) {
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_previous);
        rlimit limit = m_previous;
        limit.rlim_cur = static_cast<rlim_t>(nBytes);
        m_bActive = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~CFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    CFileSizeLimit(const CFileSizeLimit&) = delete;
    CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;

    bool IsActive() const { return m_bActive; }

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int);
    bool m_bActive = false;
};
