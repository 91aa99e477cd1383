#pragma once

#include "ScanRules/MediaKind.h"
#include "ScanRules/MountedVolume.h"
#include "Tests/Support/QtPrinters.h"

#include <QString>
#include <optional>
#include <ostream>

// Readable failure messages for the scan-rule types.

namespace pellimor {

inline void PrintTo(MediaKind kind, std::ostream* os) {
    *os << rawValue(kind).toStdString();
}

inline void PrintTo(const MountedVolume& v, std::ostream* os) {
    const auto opt = [](const std::optional<QString>& s) {
        return s ? '"' + s->toStdString() + '"' : std::string("nil");
    };
    *os << "{uuid=" << opt(v.uuid) << " name=\"" << v.name.toStdString() << "\" userLabel=\""
        << v.userLabel.toStdString() << "\" mountPath=\"" << v.mountPath.toStdString()
        << "\" nasServer=" << opt(v.nasServer) << " nasShare=" << opt(v.nasShare)
        << " isSystem=" << (v.isSystem ? "true" : "false") << "}";
}

} // namespace pellimor
