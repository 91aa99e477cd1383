#pragma once

#include <QString>

namespace pellimor::Cleanup {

// One linked original whose file is gone: a link in an event's "Original Media" whose
// destination holds nothing.
struct MissingOriginal {
    QString event;  // the event folder's name
    QString name;   // the link's name inside "Original Media"
    QString target; // where the link points; a relative destination is appended to the
                    // "Original Media" path as it stands ("…/Original Media/../x.mov")

    bool operator==(const MissingOriginal&) const = default;
};

} // namespace pellimor::Cleanup
