#pragma once

#include "Platform/Trash.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <functional>
#include <sys/types.h>

namespace pellimor::platform {

// Moving an item into the freedesktop.org Trash by hand, on open folders, so that a Trash that
// cannot take it says so at once instead of being tried again and again.
//
// Which Trash: the home Trash (<dataHome>/Trash) for an item on the same mount as the data
// home; for any other item the Trash at the top of its own mount ($topdir, found from the mount
// id through the kernel's mount table): "$topdir/.Trash/<uid>" when ".Trash" is a real folder
// with the sticky bit, else "$topdir/.Trash-<uid>", made (0700) when missing and used only when
// it is a real folder owned by the user. Every folder on the way in is opened without following
// a link, and a Trash whose "files" folder does not lie on the item's own mount is not used,
// since a rename there could never succeed. When no Trash can be used the item stays.
//
// The move: "info/<name>.trashinfo" is created new (never through a link, never over another),
// written whole and synced, the info folder synced, and only then is the item renamed into
// "files/<name>" without replacing anything. A name already taken in either folder moves on to
// the next one ("clip.mov", "clip 2.mov", ... "clip 99.mov", then a few random ones); any other
// failure stops at once, the record made for it is removed and the item is where it was. A name
// too long for the Trash is shortened there (its extension kept, cut between UTF-8 characters),
// while the record's "Path=" keeps the whole original path: absolute for the home Trash,
// relative to $topdir for a drive's Trash (absolute when the item's path does not lie below
// $topdir as written). Just before the rename the item is checked once more against its facts,
// and what the rename moved is checked after it: an item swapped in between is put back.
//
// Synchronous, blocks on the disk; any thread; no state.
struct FreedesktopTrash {
    struct Settings {
        QString dataHome;    // the home Trash is <dataHome>/Trash; made when missing
        uid_t uid = 0;       // whose Trash folders on other drives are used
        QDateTime deletedAt; // the record's "DeletionDate", written in local time
        // For tests: called after the last check of the item, just before it is renamed.
        std::function<void()> beforeRename;
    };

    static Result<void> moveToTrash(const TrashItem& item, const Settings& settings);

    // The name `name` takes in the Trash with `suffix` (" 2") before its extension, shortened
    // to at most `maxBytes`: the extension (a last ".part" of at most 16 bytes, not at the
    // start) and the suffix are kept, and the rest is cut between UTF-8 characters. Empty when
    // not even one byte of the name would fit.
    static QByteArray fittedName(const QByteArray& name, const QByteArray& suffix, qsizetype maxBytes);

    // The text of a ".trashinfo" file for `path` (the file system's bytes), percent-encoded.
    static QByteArray infoText(const QByteArray& path, const QDateTime& deletedAt);
};

} // namespace pellimor::platform
