#pragma once

// What the plan and the run share to look at a target through folders they hold open, so that
// what they measure and judge is the item they will name to the Trash: each step down from the
// event's folder is opened without following a link and must lie on the mount of the step
// above it. Internal to the free-up-space engine. Reads only; one thread per value.

#include "FreeUpSpace/Cleanup.h"
#include "Support/OpenFolder.h"
#include "Support/Result.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace pellimor::Cleanup {

// Why an item may not be measured or removed.
enum class Refusal {
    none,
    missing, // nothing there, or a step on the way is not a folder that can be opened
    link,    // it is, holds, or is reached through a symbolic link
    mount,   // it is, holds, or is reached through another mount (another drive or a bind mount)
};

// An item of an open folder, measured.
struct Measured {
    std::optional<ItemFacts> facts; // the item itself; none when nothing is there
    qint64 bytes = 0;               // allocated bytes of the file, or of every regular file below it
    Refusal refusal = Refusal::none;
};

// The item `name` of `folder`: a file's allocated bytes, or a folder's with everything below
// it (hidden items too), refused when it is a link, lies on another mount than `folder`, or
// holds either anywhere. Something that is neither file nor folder measures 0.
Measured measure(const OpenFolder& folder, const QByteArray& name);

// The components of `target` below "<base>/<event>/", judged by the text alone: the first
// three checks of validate() ("path is outside the event", "not inside Render Files",
// "protected folder"). `base` is the library's resolved path.
Result<QStringList> placeInEvent(const QString& target, const QString& base, const QString& event);

// The folder holding the item at `pieces` (components below the event, the item's own name
// last), opened from `event` one step at a time; `refusal` says why not when it is not open.
struct Reached {
    OpenFolder folder;
    Refusal refusal = Refusal::none;
};
Reached openParent(const OpenFolder& event, const QStringList& pieces);

// sortByOriginal() of `folder` with `hasOriginal` telling whether a base name has its original.
SortedFiles sortFiles(const QString& folder, const std::function<bool(const QString& base)>& hasOriginal);

} // namespace pellimor::Cleanup
