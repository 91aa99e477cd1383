#pragma once

#include <QDateTime>
#include <QLatin1StringView>
#include <QSet>
#include <QString>
#include <functional>
#include <optional>

namespace pellimor {

// A quick copy of a library's non-media files (its databases, property lists and the other
// small files of the bundle), made before Final Cut Pro may change the library, so that its
// database can be put back. The folders that hold media or files Final Cut Pro rebuilds are
// left out whole, which keeps the copy small; it is no backup of the media.
//
// Also decides where safety copies are kept: the folder the updater's runs, the update sheet
// and the Final Cut Pro settings backup share.
struct SafetyCopy {
    // The settings key of the safety-copy folder: a text, empty by default (meaning the
    // default folder below). The update sheet's chooser stores it under this key.
    static constexpr QLatin1StringView folderKey{"safetyFolder"};
    static constexpr QLatin1StringView defaultFolderName{"Safety copies"};

    // The safety-copy folder: the stored "safetyFolder" text when it is not empty, taken as
    // it is; else "Safety copies" in the program's Application Support folder. Neither
    // examined nor created here. Any thread.
    static QString storageRoot();

    // The folder names left out of every copy, with everything inside them, at any depth.
    static const QSet<QString>& skipDirs();

    struct Result {
        qint64 files = 0; // files copied
        qint64 bytes = 0; // the sum of their lengths
    };

    // Why a copy stopped. Errors of the copy itself carry the domain "SafetyCopy":
    //   1 "can't read the library" — the library, or a folder inside it, cannot be listed;
    //     or "a link is in the way at “PATH”; nothing was written through it" — the
    //     destination, a folder or a file's name in it is already a link (PATH, in full);
    //   2 "not enough free space for the safety copy (SIZE needed)" — SIZE being what the
    //     free-space rule needs: the files' total plus the margin;
    //   3 "copy of /PATH doesn't match the original" — a copy's length differs from the one
    //     the walk read; PATH lies inside the library;
    //   4 "a safety copy can't be made inside the library" — the destination lies in it.
    // Anything else is the file system's own error (domain "FileSystem", code its errno),
    // its text naming the file concerned.
    struct Error {
        QString domain;
        int code = 0;
        QString description;
    };
    struct Outcome {
        std::optional<Result> result;
        Error error; // when there is no result
        explicit operator bool() const { return result.has_value(); }
    };

    // The free space a copy asks for beyond the files' total.
    static constexpr qint64 spaceMargin = 1'000'000'000;

    // Ways for tests to make the file system misbehave at a chosen moment.
    struct Hooks {
        // After the walk, before anything is created or copied.
        std::function<void()> afterWalk;
        // Whether the folder at this absolute path fails to list (as if unreadable).
        std::function<bool(const QString& folder)> unlistable;
    };

    // Copies the kept files of `library` into `destination` at the same relative paths,
    // creating the destination and missing parents, then writes "READ ME.txt" there. The walk
    // lists every folder first (hidden entries included; links neither followed, copied nor
    // counted; skipped folders never entered); the destination volume must then have the
    // total plus spaceMargin available (a volume that reports nothing or 0 is exempt). The
    // library is read, and the copy made, through folders held open one step at a time: a
    // folder swapped for a link midway is never read through, and from the destination down
    // nothing is followed or written through a link (the folders above the destination are
    // the caller's and may be links). A copy never overwrites anything and writes nothing
    // inside the library. Every failure ends the copy at once; the files copied before it
    // stay. Synchronous; blocks on the disk, so callers run it away from the main thread. Any
    // thread.
    static Outcome make(const QString& library, const QString& destination, const Hooks& hooks = {});

    // The text of "READ ME.txt": the library as the caller passed it and the time, in UTC.
    static QString readMe(const QString& library, const QDateTime& made);
};

} // namespace pellimor
