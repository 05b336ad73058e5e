#pragma once

#include <csignal>
#include <sys/resource.h>

namespace testsupport {

// Lowers the largest file this process may write and ignores the signal that going past it
// raises, so a write fails part-way as on a full disk, for root as well; both are restored on
// leaving. Nothing should be logged while the limit is on, as the log may be a file too.
class LimiteDeArchivos {
public:
    explicit LimiteDeArchivos(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_anterior);
        m_senal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limite = m_anterior;
        limite.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limite);
    }
    ~LimiteDeArchivos()
    {
        setrlimit(RLIMIT_FSIZE, &m_anterior);
        std::signal(SIGXFSZ, m_senal);
    }
    LimiteDeArchivos(const LimiteDeArchivos&) = delete;
    LimiteDeArchivos& operator=(const LimiteDeArchivos&) = delete;

private:
    rlimit m_anterior{};
    void (*m_senal)(int) = SIG_DFL;
};

} // namespace testsupport
