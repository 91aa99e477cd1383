#pragma once

#include "Browser/CellTone.h"
#include "Catalogue/Store/Catalog.h"

#include <QString>

namespace pellimor {

// What a library's "FCP version" cell shows: the version that saved it, marked by how it stands
// against the installed Final Cut Pro, with a tip that says what that means. Every table that
// shows a library's version, and the width estimates of those columns, take their text from
// here. A plain value; any thread.
struct VersionCell {
    QString text;
    CellTone tone = CellTone::secondary;
    QString tip; // empty: the cell has no tip

    // `version`: the library's version, empty when unknown; `installed`: the installed Final
    // Cut Pro's, empty when none; `status`: Catalog::updateStatus for the library.
    //   no version           "—", secondary, no tip
    //   needsUpdate          "10.4 → 10.8", blue
    //   tooNew               "11.0 (yours 10.8)", red
    //   current              "10.8 ✓", green
    //   unknown              the bare version, secondary, no tip: with nothing installed to
    //                        compare with, a mark or a tip would claim what is not known
    static VersionCell of(const QString& version, const QString& installed, Catalog::UpdateStatus status);

    bool operator==(const VersionCell&) const = default;
};

} // namespace pellimor
