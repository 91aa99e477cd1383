#pragma once

#include "Shell/SidebarRow.h"

#include <QList>
#include <QString>

namespace pellimor {

// One section of the sidebar: its header and its rows, in the order they are listed.
struct SidebarSection {
    enum class Kind {
        library,   // "Library": the seven filters; collapsible
        favorites, // "Favorites", only with favourites; always open
        working,   // "Working drives (N)", always there; collapsible, with "Select all"
        backup,    // "Backup drives (N)", only with backup drives; collapsible, with "Select all"
        watched,   // "Watched folders (N)", only with watched folders; collapsible
    };

    Kind kind = Kind::library;
    QString title;
    QList<SidebarRow> rows;

    bool collapsible() const { return kind != Kind::favorites; }
    // The drive sections' headers carry a "Select all" button.
    bool hasSelectAll() const { return kind == Kind::working || kind == Kind::backup; }
    // "Select every working drive at once", "Select every backup drive at once"; empty for the others.
    QString selectAllTip() const;

    bool operator==(const SidebarSection&) const = default;
};

} // namespace pellimor
