#pragma once

#include "ScanRules/MountedVolume.h"

#include <QHash>
#include <QString>
#include <optional>

namespace pellimor {

// Reads the description of one volume as printed by `diskutil info` ("Key:   value"
// lines). Pure functions; any thread.
class DiskutilParser {
public:
    DiskutilParser() = delete;

    // The mounted volume the text describes, or nothing when it names no mount point
    // (an unmounted volume or a whole disk).
    static std::optional<MountedVolume> parse(const QString& info);

private:
    // Key → value for every line holding a ":", both trimmed of spaces and tabs; a later
    // line with the same key wins.
    static QHash<QString, QString> fieldMap(const QString& info);

    // Absent, empty and "None" all mean "no value".
    static std::optional<QString> emptyToNil(const std::optional<QString>& value);
};

} // namespace pellimor
