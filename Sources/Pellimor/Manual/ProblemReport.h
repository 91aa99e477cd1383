#pragma once

#include <QString>

namespace pellimor::ProblemReport {

// "Tovlin <short version> (<build>)"; the build may be empty ("Tovlin 1.2 ()").
// "Tovlin (not packaged)" when the program's information list has no short version text.
QString appVersion();

} // namespace pellimor::ProblemReport
