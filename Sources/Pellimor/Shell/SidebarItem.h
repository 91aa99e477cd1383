#pragma once

#include <QHashFunctions>
#include <QSet>
#include <QString>
#include <utility>

namespace pellimor {

// One selectable entry of the main window's sidebar. The selection is a set of them; several
// may be selected at once. The eight kinds without a payload are the smart filters; `drive`
// carries a volume name and `favorite` a library path.
struct SidebarItem {
    // In the sidebar's order; the position is part of the hash.
    enum class Kind {
        all,            // everything, no smart filter
        duplicates,     // libraries held in more than one copy
        offline,        // libraries that cannot be reached now
        reclaimable,    // more than 1,000,000,000 bytes of rebuildable media
        broken,         // broken links to original media
        needsUpdate,    // need a Final Cut Pro update
        missingPlugins, // plug-ins missing or incomplete
        damaged,        // a recorded read problem
        drive,          // the libraries on one drive (payload: the volume name)
        favorite,       // one favourite library (payload: its path)
    };

    Kind kind = Kind::all;
    QString payload; // empty for the smart filters

    SidebarItem() = default;
    // A smart filter; implicit, so a selection reads `{SidebarItem::Kind::all}`. (Drive and
    // favourite items made this way carry an empty payload; use drive() and favorite().)
    SidebarItem(Kind kind) : kind(kind) {}

    static SidebarItem drive(const QString& volumeName) { return SidebarItem(Kind::drive, volumeName); }
    static SidebarItem favorite(const QString& path) { return SidebarItem(Kind::favorite, path); }

    // One of the eight payload-free smart filters, `all` included.
    bool isSmart() const { return kind != Kind::drive && kind != Kind::favorite; }

    // Equal when kind and payload are equal: a drive and a favourite with the same text differ.
    bool operator==(const SidebarItem&) const = default;

private:
    SidebarItem(Kind kind, QString payload) : kind(kind), payload(std::move(payload)) {}
};

// The kind's position (0 to 9) followed by the payload.
inline size_t qHash(const SidebarItem& item, size_t seed = 0) noexcept {
    return qHashMulti(seed, static_cast<int>(item.kind), item.payload);
}

// The sidebar's selection.
using SidebarSelection = QSet<SidebarItem>;

} // namespace pellimor
