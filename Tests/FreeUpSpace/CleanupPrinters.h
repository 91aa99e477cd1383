#pragma once

// Readable failure messages for the free-up-space values; found by argument-dependent lookup.

#include "FreeUpSpace/Cleanup.h"
#include "Tests/Support/QtPrinters.h"

#include <ostream>

namespace pellimor {

inline void PrintTo(const CleanupTarget& target, std::ostream* os) {
    *os << "{" << rawValue(target.kind).toStdString() << " " << target.bytes << " \""
        << target.event.toStdString() << "\" " << target.url.toStdString() << "}";
}

inline void PrintTo(const CleanupPlan& plan, std::ostream* os) {
    *os << "\n  targets:";
    for (const CleanupTarget& target : plan.targets) {
        *os << "\n    ";
        PrintTo(target, os);
    }
    *os << "\n  blockers:";
    for (const QString& blocker : plan.blockers)
        *os << "\n    " << blocker.toStdString();
    *os << "\n";
}

namespace Cleanup {
inline void PrintTo(const Result2& result, std::ostream* os) {
    *os << "\n  freed: " << result.freed << "\n  done:";
    for (const QString& path : result.done)
        *os << "\n    " << path.toStdString();
    *os << "\n  errors:";
    for (const QString& error : result.errors)
        *os << "\n    " << error.toStdString();
    *os << "\n";
}

inline void PrintTo(const MissingOriginal& record, std::ostream* os) {
    *os << "{\"" << record.event.toStdString() << "\", \"" << record.name.toStdString() << "\", \""
        << record.target.toStdString() << "\"}";
}
} // namespace Cleanup

} // namespace pellimor
