#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace pellimor::MissingFiles {

// Wanted name → the texts found for it, in order of arrival: full paths of files, and leads
// (paths on drives that are not connected, which could not be checked). Filled only through
// MissingFiles::add, so a list holds each text once and at most MissingFiles::kMaxFound texts.
using Found = QHash<QString, QStringList>;

} // namespace pellimor::MissingFiles
