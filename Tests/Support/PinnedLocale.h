#pragma once

#include <QLocale>

namespace pellimor::test {

// Digit grouping and dates as one locale writes them, whatever the machine's, for the life of
// the object; the earlier default comes back afterwards.
class PinnedLocale {
public:
    explicit PinnedLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~PinnedLocale() { QLocale::setDefault(m_previous); }
    PinnedLocale(const PinnedLocale&) = delete;
    PinnedLocale& operator=(const PinnedLocale&) = delete;

private:
    const QLocale m_previous;
};

} // namespace pellimor::test
