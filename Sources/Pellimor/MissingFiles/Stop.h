#pragma once

#include <stop_token>

namespace pellimor::MissingFiles {

// Asks a running folder walk to end. Made fresh for each search and shared by pointer between
// the one who may stop it (the main thread) and the walk, which reads it once per entry. Once
// requested it stays requested. Safe from any thread.
class Stop {
public:
    void request() { m_source.request_stop(); }
    bool requested() const { return m_source.stop_requested(); }
    // For loops that take a token; it sees the same request.
    std::stop_token token() const { return m_source.get_token(); }

private:
    std::stop_source m_source;
};

} // namespace pellimor::MissingFiles
