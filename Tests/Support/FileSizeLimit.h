#pragma once

// A full disk for one scope: the process may write no file past the limit, so a write beyond
// fails (EFBIG) as it would on a full drive, without filling one. SIGXFSZ is ignored meanwhile,
// so the failing write returns instead of ending the process. The limit is the process's, so
// only one test thread may hold one at a time.

#include <csignal>
#include <sys/resource.h>

namespace pellimor::test {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_previous);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, m_previous.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_previous{};
    void (*m_handler)(int) = SIG_DFL;
};

} // namespace pellimor::test
